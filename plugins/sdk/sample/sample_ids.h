/* Resource IDs of the sample plug-in. */
#define IDD_SAMPLE 100
#define IDC_SAMPLE_TEXT 101
