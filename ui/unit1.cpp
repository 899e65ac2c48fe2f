#include "ui/unit1.h"

#include <stdexcept>

#include "ui/layout.h"

TForm1* Form1 = nullptr;
std::int32_t PortIndex = 0;
std::wstring ErrorText;

namespace {

template <typename T>
T* As(toolkit::Control* c, std::string_view name) {
    auto* typed = dynamic_cast<T*>(c);
    if (typed == nullptr) {
        throw std::logic_error("layout row has the wrong kind: " + std::string(name));
    }
    return typed;
}

}  // namespace

TForm1::TForm1(toolkit::Factory& factory) {
    for (const ui::LayoutRow& row : ui::Layout()) {
        toolkit::Control* parent = row.parent.empty() ? nullptr : Find(row.parent);
        controls_.push_back({row.name, factory.Create(row.spec, parent)});
    }
    Edit_k = As<toolkit::Edit>(Find("Edit_k"), "Edit_k");
    sPanel1 = As<toolkit::Panel>(Find("sPanel1"), "sPanel1");
    sLabel1 = As<toolkit::Label>(Find("sLabel1"), "sLabel1");
    Button_Search = As<toolkit::Button>(Find("Button_Search"), "Button_Search");
    sLabel2 = As<toolkit::Label>(Find("sLabel2"), "sLabel2");
    Button_write = As<toolkit::Button>(Find("Button_write"), "Button_write");
    Button_read = As<toolkit::Button>(Find("Button_read"), "Button_read");
    ComboBox_port = As<toolkit::ComboBox>(Find("ComboBox_port"), "ComboBox_port");
    sLabel4 = As<toolkit::Label>(Find("sLabel4"), "sLabel4");
    Edit_odo = As<toolkit::MaskEdit>(Find("Edit_odo"), "Edit_odo");
    Edit_o = As<toolkit::Edit>(Find("Edit_o"), "Edit_o");
    sLabel5 = As<toolkit::Label>(Find("sLabel5"), "sLabel5");
    sLabel6 = As<toolkit::Label>(Find("sLabel6"), "sLabel6");
    CheckBox_b8 = As<toolkit::CheckBox>(Find("CheckBox_b8"), "CheckBox_b8");
    sLabel7 = As<toolkit::Label>(Find("sLabel7"), "sLabel7");
    ComboBox_speed = As<toolkit::ComboBox>(Find("ComboBox_speed"), "ComboBox_speed");
    sLabel8 = As<toolkit::Label>(Find("sLabel8"), "sLabel8");
    ComboBox_timeout = As<toolkit::ComboBox>(Find("ComboBox_timeout"), "ComboBox_timeout");
    sGroupBox1 = As<toolkit::GroupBox>(Find("sGroupBox1"), "sGroupBox1");
    sLabel9 = As<toolkit::Label>(Find("sLabel9"), "sLabel9");
    sComboBox1 = As<toolkit::ComboBox>(Find("sComboBox1"), "sComboBox1");
    sLabel3 = As<toolkit::Label>(Find("sLabel3"), "sLabel3");
    ComboBox_CAN = As<toolkit::ComboBox>(Find("ComboBox_CAN"), "ComboBox_CAN");
    Button_write_k = As<toolkit::Button>(Find("Button_write_k"), "Button_write_k");
    Button_write_CAN = As<toolkit::Button>(Find("Button_write_CAN"), "Button_write_CAN");
    Button_write_odo = As<toolkit::Button>(Find("Button_write_odo"), "Button_write_odo");
    Button_write_B8 = As<toolkit::Button>(Find("Button_write_B8"), "Button_write_B8");

    Button_Search->OnClick = [this] { Button_SearchClick(Button_Search); };
    ComboBox_port->OnChange = [this] { ComboBox_portChange(ComboBox_port); };
    Button_write->OnClick = [this] { Button_writeClick(Button_write); };
    Button_read->OnClick = [this] { Button_readClick(Button_read); };
    Button_write_k->OnClick = [this] { Button_write_kClick(Button_write_k); };
    Button_write_odo->OnClick = [this] { Button_write_odoClick(Button_write_odo); };
    Button_write_B8->OnClick = [this] { Button_write_B8Click(Button_write_B8); };
    Button_write_CAN->OnClick = [this] { Button_write_CANClick(Button_write_CAN); };
}

// Children are destroyed before their parents: reverse creation order.
TForm1::~TForm1() {
    while (!controls_.empty()) {
        controls_.pop_back();
    }
}

toolkit::Control* TForm1::Find(std::string_view name) const {
    for (const Named& n : controls_) {
        if (n.name == name) {
            return n.control.get();
        }
    }
    return nullptr;
}
