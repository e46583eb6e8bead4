// Identifiers of the resources in Tivaro.scr, shared by the resource script and the code.
// Plain macros: the resource compiler reads this file too.
#pragma once

// The program's icon: the dialog's icon, shown for Tivaro.scr and on its windows. 100 is
// the number the system's screen-saver settings look for.
#define TIVARO_IDI_APP 100
// The string table entry the system lists the screen saver by.
#define TIVARO_IDS_DESCRIPTION 1
