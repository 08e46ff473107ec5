// The window messages of the skin toolkit. A skin change reaches every form by
// WM_SKIN_BEFORE_CHANGE, WM_SKIN_CHANGED and WM_SKIN_AFTER_CHANGE (WParam the skin data,
// LParam 1000); the skin data also announces new resource texts and a changed skinnable
// switch. Portable: numbers only.
#pragma once

#include <cstdint>

constexpr uint32_t WM_SKIN_BEFORE_CHANGE = 1225;
constexpr uint32_t WM_SKIN_CHANGED = 1226;
constexpr uint32_t WM_SKIN_AFTER_CHANGE = 1227;
constexpr uint32_t WM_SKIN_MENU_CLOSED = 1228;
constexpr uint32_t WM_SKIN_MENU_ITEM_CLICKED = 1229;
constexpr uint32_t WM_SKIN_MDI_CHILD_REALIGN = 1230;
constexpr uint32_t WM_SKIN_MDI_CHILD_MAXIMIZED = 1231;
constexpr uint32_t WM_SKIN_MDI_CHILD_RESTORED = 1232;
constexpr uint32_t WM_SKIN_RESSTRINGS_CHANGED = 1274;
constexpr uint32_t WM_SKIN_PARENT_BG_CHANGED = 1284;
constexpr uint32_t WM_SKIN_SKINNABLE_CHANGED = 1294;
// Messages that skinned windows answer and that the program never sends.
constexpr uint32_t WM_SKIN_QUERY_FORM_STATE = 45490;
constexpr uint32_t WM_SKIN_PAINT_HEADER = 45512;
constexpr uint32_t WM_SKIN_PAINT_TO_DC = 45513;
constexpr uint32_t WM_SKIN_PAINT_LIST_TO_DC = 48202;
constexpr uint32_t WM_SKIN_PAINT_NC_TO_DC = 48203;

// The LParam of the skin data's messages.
constexpr intptr_t kSkinMessageParam = 1000;
