#include "ui/unit1.h"

void TForm1::Button_SearchClick(toolkit::Control* /*Sender*/) {}
void TForm1::ComboBox_portChange(toolkit::Control* /*Sender*/) {}
void TForm1::Button_writeClick(toolkit::Control* /*Sender*/) {}
void TForm1::Button_readClick(toolkit::Control* /*Sender*/) {}
void TForm1::Button_write_kClick(toolkit::Control* /*Sender*/) {}
void TForm1::Button_write_odoClick(toolkit::Control* /*Sender*/) {}
void TForm1::Button_write_B8Click(toolkit::Control* /*Sender*/) {}
void TForm1::Button_write_CANClick(toolkit::Control* /*Sender*/) {}
