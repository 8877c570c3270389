#pragma once

// Makes the object map known to the main window under "TfrmObjectMap".
void registerObjectMapWindows();
