// Ids of the device-layer tests' own resources.
#pragma once

#define IDR_TEST_SOFTKEYS 30001
#define IDR_TEST_BAR_MENU 30002
#define IDR_TEST_BAD_BAR 30003
#define IDS_TEST_DONE 30010
#define IDS_TEST_OPTIONS 30011
#define IDM_TEST_UNDO 30101
#define IDM_TEST_NEW 30103
#define IDM_TEST_FIRST 30106
#define IDM_TEST_DONE 30107
