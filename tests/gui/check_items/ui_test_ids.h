#pragma once
#define IDD_UI_TEST 100
#define IDC_UI_TEST_EDIT 101
