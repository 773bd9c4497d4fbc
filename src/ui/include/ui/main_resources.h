#pragma once
// Resource ids of the main window, shared by its form resource and its code. Plain macros,
// because the resource compiler reads this file too.

// The form resource is named, not numbered: "ID_MSystem".
#define IDI_PRODUCT 100  // the product icon: the form's icon and pictb_Key's picture

// The controls, in creation order (105 is not used).
#define IDC_FRAME_1 101
#define IDC_LB_FILE 102
#define IDC_TB_FILE 103
#define IDC_CB_SELECTFILE 104
#define IDC_FRAME_2 106
#define IDC_LB_KEY 107
#define IDC_PICTB_KEY 108
#define IDC_TB_KEY 109
#define IDC_LB_ASTERISK 110
#define IDC_FRAME_3 111
#define IDC_LB_ZIPPING 112
#define IDC_OPTB_ZIPPINGON 113
#define IDC_OPTB_ZIPPINGOFF 114
#define IDC_OPTB_ZIPPINGDEPENDS 115
#define IDC_FRAME_4 116
#define IDC_LB_RESULT 117
#define IDC_TB_RESULT 118
#define IDC_CB_RESULT 119
#define IDC_CB_CRYPT 120
