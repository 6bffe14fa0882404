#pragma once
#define IDD_FRAMEWORK_TEST_DIALOG 100
