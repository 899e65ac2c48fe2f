// Edit masks of the form "000000\,0;1;_": required digit positions ("0"), literals ("\x"), then
// whether literals are kept in the text handed out, then the blank character shown in an empty
// position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

class EditMask {
public:
    explicit EditMask(std::wstring_view mask);

    // Number of characters of the shown text (digit positions plus literals).
    std::size_t Length() const { return slots_.size(); }
    bool IsLiteral(std::size_t pos) const { return slots_[pos] != kDigit; }
    wchar_t Blank() const { return blank_; }

    // The text shown when nothing was typed yet, e.g. "______,_".
    std::wstring Empty() const;

    // Fits a text that the program sets: each group of digit positions takes the part of the text
    // up to the next literal, cut or filled with the blank at its end; nothing is checked.
    std::wstring Fit(std::wstring_view text) const;

    // The text the field hands out: the shown text with every blank as a space.
    std::wstring Output(std::wstring_view shown) const;

    // Position of the first empty digit position of a shown text, or npos when it is complete.
    std::size_t FirstEmpty(std::wstring_view shown) const;

private:
    static constexpr wchar_t kDigit = 0;
    std::vector<wchar_t> slots_;  // kDigit, or the literal character
    wchar_t blank_ = L'_';
};

}  // namespace toolkit
