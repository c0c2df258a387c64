#pragma once

// The program's icon; the main window names it by this id.
#define IDI_APPICON 1
