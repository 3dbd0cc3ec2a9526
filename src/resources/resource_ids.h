// Numbers of the resources and of the dialog controls that the code addresses. Shared by
// the resource scripts (windres) and the C++ code; plain #defines so that both can read it.
// Read-only data, no thread owns it.
#pragma once

// Resources.
#define IDD_SETTINGS 100
#define IDD_VIDEO_LIST 112
#define IDB_LINK 106
#define IDB_STEP1 116
#define IDB_STEP2 117
#define IDB_STEP3 118
#define IDC_LINK_HAND 110

// Settings dialog.
#define IDC_WEB_LINK 1000
#define IDC_ADD_VIDEOS 1003
#define IDC_SHAPE_CUBOID 1004
#define IDC_SHAPE_GRID 1005
#define IDC_SHAPE_STAR 1006
#define IDC_GRID_STYLE 1008
#define IDC_GRID_COLUMNS 1019
#define IDC_GRID_ROWS 1020
#define IDC_STAR_COUNT 1021
#define IDC_STAR_COUNT_SPIN 1022
#define IDC_STAR_TRANSLUCENT 1023
#define IDC_STAR_SPEED 1024
#define IDC_STAR_SIZE 1025
#define IDC_CUBOID_TRANSLUCENT 1028
#define IDC_SHOW_BACKGROUND 1029
#define IDC_ROTATION_SPEED 1031
#define IDC_BACKGROUND_COLOR 1033
#define IDC_BLEND_COLOR 1034
#define IDC_ROTATION_ANGLE 1035
#define IDC_BACKGROUND_SWATCH 1038
#define IDC_BLEND_SWATCH 1039
#define IDC_CUBOID_COUNT 1041
#define IDC_STEP1_PICTURE 1081
#define IDC_STEP2_PICTURE 1082
#define IDC_STEP3_PICTURE 1083
#define IDC_OWNER_NOTICE 1092
#define IDC_MONITORS_LABEL 1093
#define IDC_MONITORS 1094
#define IDC_DETAIL_LABEL 1095
#define IDC_DETAIL 1096

// Video list dialog: the path edits and their "Browse..." buttons, row by row. Row 2's
// edit is out of sequence.
#define IDC_VIDEO_EDIT1 1061
#define IDC_VIDEO_EDIT2 1080
#define IDC_VIDEO_EDIT3 1062
#define IDC_VIDEO_EDIT4 1063
#define IDC_VIDEO_EDIT5 1064
#define IDC_VIDEO_EDIT6 1065
#define IDC_VIDEO_EDIT7 1066
#define IDC_VIDEO_EDIT8 1067
#define IDC_VIDEO_EDIT9 1068
#define IDC_VIDEO_EDIT10 1069
#define IDC_VIDEO_BROWSE1 1070
#define IDC_VIDEO_BROWSE2 1071
#define IDC_VIDEO_BROWSE3 1072
#define IDC_VIDEO_BROWSE4 1073
#define IDC_VIDEO_BROWSE5 1074
#define IDC_VIDEO_BROWSE6 1075
#define IDC_VIDEO_BROWSE7 1076
#define IDC_VIDEO_BROWSE8 1077
#define IDC_VIDEO_BROWSE9 1078
#define IDC_VIDEO_BROWSE10 1079
