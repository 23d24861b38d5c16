// Resource IDs of the framework tests' own templates and strings.
#pragma once

#define IDD_TEST 500
#define IDC_TEST_RADIO_A 502
#define IDC_TEST_RADIO_B 503
#define IDC_TEST_LABEL 504
#define IDC_TEST_RADIO_C 505
#define IDC_TEST_RADIO_NEXT 506
#define IDC_TEST_BUTTON 508

// Only in the test library.
#define IDS_TEST_LIBRARY_ONLY 900
// In the program and in the library, with different texts.
#define IDS_TEST_BOTH 901

// The composition list test's dialog.
#define IDD_LISTTEST 520
#define IDC_LISTTEST_LIST 1009
#define IDC_LISTTEST_OTHER 521
