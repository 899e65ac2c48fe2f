// The main window class and the module state that the operations share.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

class TForm1 {
public:
    // Builds every control of the layout table through the factory and wires the eight handlers.
    explicit TForm1(toolkit::Factory& factory);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The control of a layout row by its name, null for an unknown name.
    toolkit::Control* Find(std::string_view name) const;

    toolkit::Edit* Edit_k = nullptr;
    toolkit::Panel* sPanel1 = nullptr;
    toolkit::Label* sLabel1 = nullptr;
    toolkit::Button* Button_Search = nullptr;
    toolkit::Label* sLabel2 = nullptr;
    toolkit::Button* Button_write = nullptr;
    toolkit::Button* Button_read = nullptr;
    toolkit::ComboBox* ComboBox_port = nullptr;
    toolkit::Label* sLabel4 = nullptr;
    toolkit::MaskEdit* Edit_odo = nullptr;
    toolkit::Edit* Edit_o = nullptr;
    toolkit::Label* sLabel5 = nullptr;
    toolkit::Label* sLabel6 = nullptr;
    toolkit::CheckBox* CheckBox_b8 = nullptr;
    toolkit::Label* sLabel7 = nullptr;
    toolkit::ComboBox* ComboBox_speed = nullptr;
    toolkit::Label* sLabel8 = nullptr;
    toolkit::ComboBox* ComboBox_timeout = nullptr;
    toolkit::GroupBox* sGroupBox1 = nullptr;
    toolkit::Label* sLabel9 = nullptr;
    toolkit::ComboBox* sComboBox1 = nullptr;
    toolkit::Label* sLabel3 = nullptr;
    toolkit::ComboBox* ComboBox_CAN = nullptr;
    toolkit::Button* Button_write_k = nullptr;
    toolkit::Button* Button_write_CAN = nullptr;
    toolkit::Button* Button_write_odo = nullptr;
    toolkit::Button* Button_write_B8 = nullptr;

    void Button_SearchClick(toolkit::Control* Sender);
    void ComboBox_portChange(toolkit::Control* Sender);
    void Button_writeClick(toolkit::Control* Sender);
    void Button_readClick(toolkit::Control* Sender);
    void Button_write_kClick(toolkit::Control* Sender);
    void Button_write_odoClick(toolkit::Control* Sender);
    void Button_write_B8Click(toolkit::Control* Sender);
    void Button_write_CANClick(toolkit::Control* Sender);

private:
    struct Named {
        std::string_view name;
        std::unique_ptr<toolkit::Control> control;
    };
    std::vector<Named> controls_;  // creation order; children after their parent
};

// Module state, one of each for the whole run, touched only on the window thread.
extern TForm1* Form1;
extern std::int32_t PortIndex;   // selected port counted from 0: 0 is COM1, 41 is COM42
extern std::wstring ErrorText;   // error lines collected by the multi-command writes
