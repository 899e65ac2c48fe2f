// The main window as data: one row per control, in creation order (later rows lie on top).
#pragma once

#include <array>
#include <string_view>

#include "toolkit/toolkit.h"

namespace ui {

struct LayoutRow {
    std::string_view name;
    std::string_view parent;  // empty for the window itself
    toolkit::ControlSpec spec;
};

inline constexpr std::wstring_view kCaption = L"Lorvan_Setup";
inline constexpr int kClientWidth = 304;
inline constexpr int kClientHeight = 443;
inline constexpr int kDefaultFontHeight = -11;  // Tahoma, character height 11
inline constexpr std::wstring_view kSkinName = L"MacMetal (internal)";

// The port selector's search entry, always its last entry.
inline constexpr std::wstring_view kSearchItem = L"Найти устр-во";

const std::array<LayoutRow, 27>& Layout();

// The window control ID of a layout row's control: 1001 for the first row, one more for each
// further row; 0 for a name that is not in the table.
inline constexpr int kFirstControlId = 1001;
int ControlId(std::string_view name);

}  // namespace ui
