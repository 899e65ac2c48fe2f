#include "ui/layout.h"

namespace ui {

namespace {

using toolkit::Kind;

constexpr int kLabelFont = 20;  // Tahoma, cell height 20
constexpr int kEditFont = 16;   // Tahoma, cell height 16
constexpr int kCheckFont = -13;
constexpr int kBigButtonFont = 20;
constexpr int kFont = kDefaultFontHeight;
constexpr int kNoTab = -1;

toolkit::ControlSpec Spec(Kind kind, int l, int t, int w, int h, std::wstring_view text,
                          bool enabled, int tab, int font) {
    return toolkit::ControlSpec{kind, l, t, w, h, text, {}, -1, enabled, tab, font, {}};
}

toolkit::ControlSpec List(Kind kind, int l, int t, int w, int h, std::wstring_view text,
                          std::vector<std::wstring_view> items, int index, bool enabled, int tab,
                          int font) {
    return toolkit::ControlSpec{kind, l, t, w, h, text, std::move(items), index, enabled, tab, font,
                                {}};
}

std::array<LayoutRow, 27> Build() {
    toolkit::ControlSpec odo = Spec(Kind::MaskEdit, 175, 85, 61, 24, L"000000,0", true, 5, kEditFont);
    odo.mask = L"000000\\,0;1;_";
    return {{
        {"sLabel2", "", Spec(Kind::Label, 8, 55, 161, 20, L"Коэффициент ТС (К):", true, kNoTab, kLabelFont)},
        {"sLabel4", "", Spec(Kind::Label, 8, 85, 158, 20, L"Показания одометра:", true, kNoTab, kLabelFont)},
        {"sLabel6", "", Spec(Kind::Label, 8, 115, 106, 20, L"Настройка В8:", true, kNoTab, kLabelFont)},
        {"Edit_k", "", Spec(Kind::Edit, 175, 55, 61, 24, L"8000", true, 0, kEditFont)},
        {"sPanel1", "", Spec(Kind::Panel, 0, 1, 385, 41, L"", true, 1, kFont)},
        {"sLabel1", "sPanel1", Spec(Kind::Label, 7, 10, 152, 20, L"Связь с тахографом:", true, kNoTab, kLabelFont)},
        {"ComboBox_port", "sPanel1", List(Kind::ComboEdit, 164, 10, 63, 22, L"", {kSearchItem}, -1, true, 0, kFont)},
        {"Button_Search", "sPanel1", Spec(Kind::Button, 235, 8, 62, 25, L"Найти", true, 1, kFont)},
        {"Button_write", "", Spec(Kind::Button, 8, 349, 287, 52, L"Записать все настройки", true, 2, kBigButtonFont)},
        {"Button_read", "", Spec(Kind::Button, 8, 407, 287, 30, L"Считать все настройки", true, 3, kBigButtonFont)},
        {"Edit_odo", "", odo},
        {"CheckBox_b8", "", Spec(Kind::CheckBox, 138, 117, 102, 22, L"Включить В8", true, 6, kCheckFont)},
        {"sGroupBox1", "", Spec(Kind::GroupBox, 4, 145, 295, 198,
                                L"                             Настройки CAN                                   ",
                                true, 7, kFont)},
        {"sLabel5", "sGroupBox1", Spec(Kind::Label, 8, 139, 78, 20, L"О-фактор:", true, kNoTab, kLabelFont)},
        {"sLabel7", "sGroupBox1", Spec(Kind::Label, 8, 49, 148, 20, L"Скорость передачи:", false, kNoTab, kLabelFont)},
        {"sLabel8", "sGroupBox1", Spec(Kind::Label, 8, 79, 150, 20, L"Интервал передачи:", false, kNoTab, kLabelFont)},
        {"sLabel9", "sGroupBox1", Spec(Kind::Label, 8, 109, 121, 20, L"Формат данных:", false, kNoTab, kLabelFont)},
        {"sLabel3", "sGroupBox1", Spec(Kind::Label, 8, 19, 136, 20, L"Выбор протокола:", true, kNoTab, kLabelFont)},
        {"ComboBox_speed", "sGroupBox1", List(Kind::ComboList, 172, 49, 109, 22, L"250 КБит/сек",
                                              {L"125 КБит/сек", L"250 КБит/сек", L"500 КБит/сек", L"1000 КБит/сек"},
                                              1, false, 0, kEditFont)},
        {"ComboBox_timeout", "sGroupBox1", List(Kind::ComboList, 172, 79, 109, 22, L"50 мс",
                                                {L"20 мс", L"50 мс", L"100 мс"}, 1, false, 1, kEditFont)},
        {"Edit_o", "sGroupBox1", Spec(Kind::Edit, 172, 135, 70, 24, L"6000", true, 2, kEditFont)},
        {"sComboBox1", "sGroupBox1", List(Kind::ComboList, 172, 109, 109, 22, L"29 бит",
                                          {L"11 бит", L"29 бит"}, 1, false, 3, kEditFont)},
        {"ComboBox_CAN", "sGroupBox1", List(Kind::ComboList, 172, 19, 109, 22, L"",
                                            {L"CAN выкл.", L"J1939", L"ЛиАЗ, ПАЗ", L"J1939+VIN"}, -1,
                                            true, 4, kEditFont)},
        {"Button_write_CAN", "sGroupBox1", Spec(Kind::Button, 152, 165, 136, 24, L"Записать настройки CAN", true, 5, kFont)},
        {"Button_write_k", "", Spec(Kind::Button, 244, 55, 55, 24, L"Записать", true, 8, kFont)},
        {"Button_write_odo", "", Spec(Kind::Button, 244, 85, 55, 24, L"Записать", true, 9, kFont)},
        {"Button_write_B8", "", Spec(Kind::Button, 244, 115, 55, 24, L"Записать", true, 10, kFont)},
    }};
}

}  // namespace

const std::array<LayoutRow, 27>& Layout() {
    static const std::array<LayoutRow, 27> rows = [] {
        std::array<LayoutRow, 27> built = Build();
        for (std::size_t i = 0; i < built.size(); ++i) {
            built[i].spec.id = kFirstControlId + static_cast<int>(i);
        }
        return built;
    }();
    return rows;
}

int ControlId(std::string_view name) {
    const auto& rows = Layout();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name) {
            return rows[i].spec.id;
        }
    }
    return 0;
}

}  // namespace ui
