#pragma once

class QLabel;
class QWidget;

// The product name "Jetwarden" that stands at the bottom left of the program's dialogs: grey,
// bold and large, with a white shadow.
QLabel *createProductLabel(QWidget *parent);
