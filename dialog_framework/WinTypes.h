// The small vocabulary of window types, result codes, message-box flags, keys and
// notification codes that dialog code is written in, with the values a Windows programmer
// expects, so that dialog classes read as they always have.
#pragma once

#include <cstdint>

#include "resources/dialogs/ControlIds.h"  // IDOK and IDCANCEL, the ids of those buttons

using BOOL = int;
using UINT = unsigned;
using LRESULT = intptr_t;
using DWORD_PTR = uintptr_t;
using UINT_PTR = uintptr_t;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Dialog and message-box results (the button that ended them): IDOK, IDCANCEL and these.
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Message-box styles: buttons, icon and default button.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_TYPEMASK = 0xF;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_DEFMASK = 0xF00;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// Messages PreTranslateMessage sees, and the keys it tells apart.
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;

struct MSG {
    UINT message = 0;
    uintptr_t wParam = 0;  // the virtual key of WM_KEYDOWN, the timer of WM_TIMER
    intptr_t lParam = 0;
};

struct CPoint {
    int x = 0, y = 0;
};

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// List-view item states and the masks that select them.
inline constexpr UINT LVIS_FOCUSED = 0x1;
inline constexpr UINT LVIS_SELECTED = 0x2;
inline constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
inline constexpr UINT LVNI_SELECTED = 0x2;
inline constexpr UINT LVS_EX_FULLROWSELECT = 0x20;
inline constexpr int LVCFMT_LEFT = 0;

// Check-list box and list-box answers.
inline constexpr int LB_ERR = -1;
inline constexpr int CB_ERR = -1;

// Menu flags.
inline constexpr UINT MF_STRING = 0x0;
inline constexpr UINT MF_SEPARATOR = 0x800;
inline constexpr UINT TPM_LEFTALIGN = 0x0;
inline constexpr UINT TPM_RIGHTBUTTON = 0x2;
inline constexpr UINT TPM_RETURNCMD = 0x100;
