#pragma once
// Resource and control IDs of the edit-value dialog (2100-2199). Plain #defines: the resource
// compiler reads this header too. OK and Cancel use IDOK and IDCANCEL so Enter and Escape work.

#define IDD_EDIT_VALUE          2100

#define IDC_DATA_NAME_LABEL     2110
#define IDC_pedDataName         2111
#define IDC_plbValue            2112
#define IDC_ppcValue            2113

// Page "String"
#define IDC_pedString           2120

// Page "DWORD"
#define IDC_pedDWORD            2130
#define IDC_prgSystem           2131
#define IDC_prgSystemHex        2132
#define IDC_prgSystemDecimal    2133

// Page "Binary"
#define IDC_pmmBinData          2140
