// LumoEdit: the main window with the item editor window inside it.
//   LumoEdit [file] [/debug]
#include "editor/app/Program.h"

int main(int argc, char** argv) { return lumoedit::RunLumoEdit(argc, argv); }
