// Resource ids shared by the resource script and the code.
#pragma once

#define IDS_SAVER_NAME 1

#define IDD_SETUP 101
#define IDD_LOCATION 132
#define IDI_VELMORA 106

#define IDC_PROGRAM_ICON 1000
#define IDC_GALLERY_LIST 1001
#define IDC_HOME_WEBSITE 1002
#define IDC_NOTICE_ICON 1004
#define IDC_NOTICE_TEXT 1005
#define IDC_SHOW_WEATHER 1010
#define IDC_CHANGE_LOCATION 1012
#define IDC_SHOW_NEWVER 1013
#define IDC_LOCATION_LABEL 1014
#define IDC_LOCATION_NAME 1015
#define IDC_MORE 1020
// In dialogs 101 and 140: shown when a policy sets one of the dialog's settings.
#define IDC_POLICY_NOTE 1021

// Dialog 140, the second page of settings.
#define IDD_MORE 140
#define IDC_SLIDE_SECONDS 1101
#define IDC_MONITORS_PRIMARY 1102
#define IDC_MONITORS_BLACK 1103
#define IDC_MONITORS_ALL 1104
#define IDC_UNITS_METRIC 1105
#define IDC_UNITS_STANDARD 1106

// Dialog 132, the location search.
#define IDC_SEARCH_RESULTS 1015
#define IDC_SEARCH_BUTTON 1016
#define IDC_SEARCH_TEXT 1017

// Embedded PNG images: the weather condition icons IDP_WEATHER_ICON + 0 to
// IDP_WEATHER_ICON + 29 (res/icons/weather_*.png), then the new-version
// notice's warning icon.
#define IDP_WEATHER_ICON 2000
#define IDP_WEATHER_ICON_COUNT 30
#define IDP_WARNING_ICON 2100
