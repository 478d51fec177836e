#pragma once
// The ids of the pages' controls, shared by the dialog templates, the pages and the tests.
// Continue/OK and Cancel are the system's IDOK and IDCANCEL.

#define ID_P1_LINE1 1011
#define ID_P1_LINE2 1012
#define ID_P1_LINE3 1013
#define ID_P2_LINE1 1014
#define ID_P2_LINE2 1015
#define ID_P2_LINE3 1016
#define ID_BACK 1017
#define ID_P3_LINE1 1018
#define ID_P3_LINE2 1019
#define ID_P3_LINE3 1020
#define ID_RM_LINE 1021
#define ID_RM_BAR 1022
#define ID_RM_COUNT 1023
#define ID_RM_ITEM 1024
