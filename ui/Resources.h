// Resource identifiers of the options dialog; shared by the .rc and the code.
#pragma once

#define IDB_VANTU_LOGO 200
