// The eight handlers of the main window. Each runs one operation to its end; a click or a
// selection that arrives while an operation runs (its waits keep the window responsive) starts
// nothing.
#include "ui/layout.h"
#include "ui/operations.h"
#include "ui/unit1.h"

void TForm1::Button_SearchClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive(SearchDevice);
}

void TForm1::ComboBox_portChange(toolkit::Control* /*Sender*/) {
    if (ComboBox_port->Text() == ui::kSearchItem) {
        ops::RunExclusive([this] {
            ComboBox_port->ClearItems();
            ComboBox_port->SetText(L"Поиск......");
            SearchDevice();
        });
    }
    // Also while an operation runs: a port picked then is the one the next operation opens, so
    // that the selector and PortIndex never disagree. The running operation keeps its port.
    ParsePortItem(ItemText(ComboBox_port->ItemIndex()));
}

void TForm1::Button_writeClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive(ops::WriteAll);
}

void TForm1::Button_readClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive(ops::ReadAll);
}

void TForm1::Button_write_kClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive([] { ops::WriteOne("write_k", L"Ошибка записи К!"); });
}

void TForm1::Button_write_odoClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive([] { ops::WriteOne("write_odo", L"Ошибка записи пробега!"); });
}

void TForm1::Button_write_B8Click(toolkit::Control* /*Sender*/) {
    // "В8" with a Cyrillic В.
    ops::RunExclusive([] { ops::WriteOne("write_B8", L"Ошибка записи В8!"); });
}

void TForm1::Button_write_CANClick(toolkit::Control* /*Sender*/) {
    ops::RunExclusive(ops::WriteCan);
}
