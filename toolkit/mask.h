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

    // The user's editing of a shown text. Typing overwrites, a literal can be neither deleted nor
    // typed over, and a deleted digit leaves its position blank, so the text keeps its length.
    struct State {
        std::wstring shown;
        std::size_t selStart = 0, selEnd = 0;  // the caret is an empty selection
    };
    enum class Outcome { Changed, Unchanged, Refused };  // a refused key beeps

    // A typed character: a digit goes into the next digit position from the selection's start
    // (a selection is blanked first) and the caret moves past it and past any literal after it.
    // The literal character itself, typed where the caret stands on or just after it, only moves
    // the caret. Anything else is refused and changes nothing.
    Outcome Type(State& s, wchar_t ch) const;
    // Delete: blanks the selection, or the digit under the caret.
    Outcome Delete(State& s) const;
    // Backspace: blanks the selection, or the digit position before the caret, and moves there.
    Outcome Backspace(State& s) const;
    // A pasted text, typed character by character; when one is refused nothing changes.
    Outcome Paste(State& s, std::wstring_view text) const;

  private:
    static constexpr wchar_t kDigit = 0;
    std::vector<wchar_t> slots_;  // kDigit, or the literal character
    wchar_t blank_ = L'_';
};

}  // namespace toolkit
