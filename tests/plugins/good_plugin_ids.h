#pragma once
// Resource IDs of the test plug-ins' tool window (a module of its own).
#define IDD_TEST_TOOL   100
#define IDC_TEST_HELLO  101
