#pragma once

#include <QIcon>

// The small pictures of the detail lists, drawn by the program.
namespace objectmap {

// A red mark beside a field that must have a value.
QIcon requiredFieldImage();
// A key beside a primary index.
QIcon primaryIndexImage();

} // namespace objectmap
