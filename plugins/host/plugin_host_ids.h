#pragma once
// Resource and control IDs of the plug-in dialogs (4000-4299). Plain #defines: the resource
// compiler reads this header too.

// "Config plugins"
#define IDD_CONFIG_PLUGINS        4000
#define IDC_CFG_OPTIONS_GROUP     4001
#define IDC_CFG_SCAN_PLUGINS      4002
#define IDC_CFG_AUTO_INST         4003
#define IDC_CFG_INSTALLED_LABEL   4004
#define IDC_CFG_PLUGINS           4005
#define IDC_CFG_DETAILS_GROUP     4006
#define IDC_CFG_GLYPH_LABEL       4007
#define IDC_CFG_GLYPH             4008
#define IDC_CFG_NAME_LABEL        4009
#define IDC_CFG_NAME              4010
#define IDC_CFG_VERSION_LABEL     4011
#define IDC_CFG_VERSION           4012
#define IDC_CFG_AUTHOR_LABEL      4013
#define IDC_CFG_AUTHOR            4014
#define IDC_CFG_FILE_LABEL        4015
#define IDC_CFG_FILE              4016
#define IDC_CFG_DESCRIPTION_LABEL 4017
#define IDC_CFG_DESCRIPTION       4018
#define IDC_CFG_HELP              4019
#define IDC_CFG_INSTALL           4020
#define IDC_CFG_UNINSTALL         4021
#define IDC_CFG_CLOSE             4022
#define IDC_CFG_STATUS            4023

// "Install new plugins"
#define IDD_INSTALL_PLUGINS       4100
#define IDC_INS_FOLDER_LABEL      4101
#define IDC_INS_FOLDER            4102
#define IDC_INS_BROWSE            4103
#define IDC_INS_SCAN              4104
#define IDC_INS_LIST_LABEL        4105
#define IDC_INS_CLEAR             4106
#define IDC_INS_PLUGINS           4107
#define IDC_INS_FROM_FILE         4108
#define IDC_INS_INSTALL           4109
#define IDC_INS_INSTALL_ALL       4110
#define IDC_INS_CLOSE             4111
#define IDC_INS_HELP              4112
#define IDC_INS_STATUS            4113
