// Identifiers of the framework tests' own dialogs, clear of the program's.
#pragma once

#define IDD_TEST_VISIBLE 500
#define IDD_TEST_HIDDEN 501
#define IDC_TEST_EDIT 510
#define IDC_TEST_CHECK 511
#define IDC_TEST_NESTED 512
