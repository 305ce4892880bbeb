// Numbers of the library's dialog templates and of their controls, named after their use.
//
// A number means something only within its template: several templates reuse one number
// for different controls, and each meaning gets its own name here (IDC_ASSY_CAMERA and
// IDC_ROOM_ASSEMBLIES are both 15016). Controls nobody addresses are IDC_STATIC.
#pragma once

// Dialog templates. There is no 15002.
constexpr int IDD_RESOURCE_MANAGER = 15000;
constexpr int IDD_RESOURCE_EDIT = 15001;
constexpr int IDD_SERVER_CONNECTION = 15003;
constexpr int IDD_CAMERA_CONNECTION = 15004;
constexpr int IDD_SERVER_CAPS = 15005;
constexpr int IDD_VIDEO_ASSEMBLY = 15006;
constexpr int IDD_ROOM_VIDEO = 15007;
constexpr int IDD_GENERIC_CAPS = 15008;
constexpr int IDD_RESOURCE_RENAME = 15009;
constexpr int IDD_RESOURCE_FILTER = 15010;
constexpr int IDD_RESOURCE_DEPENDENCIES = 15011;
constexpr int IDD_RESOURCE_SEARCH = 15012;

// Buttons that end a dialog with their own number as its result, and unaddressed controls.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

// 15000, resource manager.
constexpr int IDC_RESOURCE_LIST = 15001;
constexpr int IDC_NEW = 3;
constexpr int IDC_EDIT = 4;
constexpr int IDC_DELETE = 5;
constexpr int IDC_RENAME = 6;
constexpr int IDC_FILTER_GROUP = 15040;
constexpr int IDC_FILTER_PRESET_1 = 15035;  // starts the radio group of the four presets
constexpr int IDC_FILTER_PRESET_2 = 15036;
constexpr int IDC_FILTER_PRESET_3 = 15037;
constexpr int IDC_FILTER_PRESET_4 = 15039;
constexpr int IDC_CHANGE_FILTER = 15028;
constexpr int IDC_SEARCH = 15029;
constexpr int IDC_RELOAD = 15011;

// 15001, resource edit.
constexpr int IDC_RESOURCE_ID = 15002;
constexpr int IDC_RESOURCE_TYPE = 15004;
constexpr int IDC_RESOURCE_NAME = 15003;
constexpr int IDC_RESOURCE_CONN = 15005;  // hidden: holds the connectivity string
constexpr int IDC_EDIT_CONN = 15007;
constexpr int IDC_RESOURCE_CAPS = 15006;  // hidden: holds the capability string
constexpr int IDC_EDIT_CAPS = 15008;

// 15003, video server connection.
constexpr int IDC_SERVER_NAME = 15008;
constexpr int IDC_SERVER_USERNAME = 15012;
constexpr int IDC_SERVER_PASSWORD = 15013;
constexpr int IDC_SERVER_CONFIRM = 15014;

// 15004, IP camera connection.
constexpr int IDC_CAMERA_MAC = 15032;
constexpr int IDC_CAMERA_IP = 15009;
constexpr int IDC_CAMERA_BROWSE = 15047;
constexpr int IDC_CAMERA_PORT = 15018;
constexpr int IDC_CAMERA_USERNAME = 15023;
constexpr int IDC_CAMERA_PASSWORD = 15024;
constexpr int IDC_CAMERA_CONFIRM = 15025;
constexpr int IDC_CAMERA_VGA = 15019;  // starts the resolution radio group
constexpr int IDC_CAMERA_QVGA = 15020;
constexpr int IDC_CAMERA_FRAMERATE = 15026;
constexpr int IDC_CAMERA_STREAM_MODE = 15027;
constexpr int IDC_CAMERA_SHOW_PTZ = 15021;
constexpr int IDC_CAMERA_MODEL = 15022;

// 15005 and 15008, capabilities.
constexpr int IDC_CAPS_VALUE = 15006;

// 15006, video assembly.
constexpr int IDC_ASSY_SERVER = 15015;
constexpr int IDC_ASSY_EDIT_SERVER = 15033;
constexpr int IDC_ASSY_CAMERA = 15016;
constexpr int IDC_ASSY_EDIT_CAMERA = 15034;
constexpr int IDC_ASSY_CAMERA2 = 15017;
constexpr int IDC_ASSY_EDIT_CAMERA2 = 15035;

// 15007, room video.
constexpr int IDC_ROOM_ASSEMBLIES = 15016;
constexpr int IDC_ROOM_INCLUDE_LOCAL = 15046;
constexpr int IDC_ROOM_CHECK = 15017;

// 15009, rename.
constexpr int IDC_NEW_NAME = 15023;

// 15010, filter.
constexpr int IDC_FILTER_TYPES = 15029;
constexpr int IDC_SELECT_ALL = 15031;
constexpr int IDC_CLEAR_ALL = 15032;
constexpr int IDC_FILTER_ID_SPEC = 15034;
constexpr int IDC_RESET = 3;  // ends the dialog with result 3

// 15011, dependants and search results.
constexpr int IDC_DEPENDENCY_GROUP = 15042;
constexpr int IDC_DEPENDENCY_LIST = 15041;

// 15012, configuration search.
constexpr int IDC_SEARCH_TEXT = 15045;
