// Resource ids shared by the code and the resource scripts.
#pragma once

#define IDR_MAINFRAME 101
#define IDS_APP_TITLE 101
