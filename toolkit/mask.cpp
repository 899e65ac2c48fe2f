#include "toolkit/mask.h"

#include <algorithm>
#include <utility>

namespace toolkit {

EditMask::EditMask(std::wstring_view mask) {
    std::wstring_view edit = mask.substr(0, mask.find(L';'));
    for (std::size_t i = 0; i < edit.size(); ++i) {
        if (edit[i] == L'\\' && i + 1 < edit.size()) {
            slots_.push_back(edit[++i]);
        } else if (edit[i] == L'0') {
            slots_.push_back(kDigit);
        } else {
            slots_.push_back(edit[i]);
        }
    }
    std::size_t last = mask.rfind(L';');
    if (last != std::wstring_view::npos && last + 1 < mask.size() && mask.find(L';') != last) {
        blank_ = mask[last + 1];
    }
}

std::wstring EditMask::Empty() const {
    return Fit(L"");
}

std::wstring EditMask::Fit(std::wstring_view text) const {
    std::wstring shown;
    std::size_t slot = 0;
    while (slot < slots_.size()) {
        if (slots_[slot] != kDigit) {
            // The literal ends the part of the text that the group before it took.
            std::size_t cut = text.find(slots_[slot]);
            text = cut == std::wstring_view::npos ? std::wstring_view{} : text.substr(cut + 1);
            shown.push_back(slots_[slot++]);
            continue;
        }
        std::size_t end = slot;
        while (end < slots_.size() && slots_[end] == kDigit) {
            ++end;
        }
        std::wstring_view part = text.substr(
            0, std::min(text.find(slots_.size() > end ? slots_[end] : L'\0'), text.size()));
        for (std::size_t i = 0; i < end - slot; ++i) {
            shown.push_back(i < part.size() ? part[i] : blank_);
        }
        text = text.substr(part.size());
        slot = end;
    }
    return shown;
}

std::wstring EditMask::Output(std::wstring_view shown) const {
    std::wstring out(shown);
    for (std::size_t i = 0; i < out.size() && i < slots_.size(); ++i) {
        if (slots_[i] == kDigit && out[i] == blank_) {
            out[i] = L' ';
        }
    }
    return out;
}

std::size_t EditMask::FirstEmpty(std::wstring_view shown) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i] == kDigit && (i >= shown.size() || shown[i] == blank_ || shown[i] == L' ')) {
            return i;
        }
    }
    return std::wstring::npos;
}

}  // namespace toolkit

namespace toolkit {

namespace {

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// Blanks the digit positions of the selection and collapses it to its start.
EditMask::Outcome BlankSelection(const EditMask& mask, EditMask::State& s) {
    auto outcome = EditMask::Outcome::Unchanged;
    std::size_t end = std::min(s.selEnd, s.shown.size());
    for (std::size_t i = s.selStart; i < end; ++i) {
        if (!mask.IsLiteral(i) && s.shown[i] != mask.Blank()) {
            s.shown[i] = mask.Blank();
            outcome = EditMask::Outcome::Changed;
        }
    }
    s.selEnd = s.selStart;
    return outcome;
}

}  // namespace

EditMask::Outcome EditMask::Type(State& s, wchar_t ch) const {
    if (s.selEnd < s.selStart) {
        std::swap(s.selStart, s.selEnd);
    }
    if (!IsDigit(ch)) {
        bool onLiteral = s.selStart == s.selEnd && s.selStart < Length() && IsLiteral(s.selStart) &&
                         slots_[s.selStart] == ch;
        bool pastLiteral = s.selStart == s.selEnd && s.selStart > 0 && s.selStart <= Length() &&
                           IsLiteral(s.selStart - 1) && slots_[s.selStart - 1] == ch;
        if (onLiteral) {
            s.selStart = s.selEnd = s.selStart + 1;
            return Outcome::Unchanged;
        }
        return pastLiteral ? Outcome::Unchanged : Outcome::Refused;
    }
    std::size_t pos = s.selStart;
    while (pos < Length() && IsLiteral(pos)) {
        ++pos;
    }
    if (pos >= Length()) {
        return Outcome::Refused;
    }
    BlankSelection(*this, s);
    s.shown[pos] = ch;
    ++pos;
    while (pos < Length() && IsLiteral(pos)) {
        ++pos;
    }
    s.selStart = s.selEnd = pos;
    return Outcome::Changed;
}

EditMask::Outcome EditMask::Delete(State& s) const {
    if (s.selEnd < s.selStart) {
        std::swap(s.selStart, s.selEnd);
    }
    if (s.selStart != s.selEnd) {
        return BlankSelection(*this, s);
    }
    std::size_t pos = s.selStart;
    if (pos >= Length() || IsLiteral(pos) || s.shown[pos] == blank_) {
        return Outcome::Unchanged;
    }
    s.shown[pos] = blank_;
    return Outcome::Changed;
}

EditMask::Outcome EditMask::Backspace(State& s) const {
    if (s.selEnd < s.selStart) {
        std::swap(s.selStart, s.selEnd);
    }
    if (s.selStart != s.selEnd) {
        return BlankSelection(*this, s);
    }
    std::size_t pos = std::min(s.selStart, Length());
    while (pos > 0) {
        --pos;
        if (!IsLiteral(pos)) {
            s.selStart = s.selEnd = pos;
            if (s.shown[pos] == blank_) {
                return Outcome::Unchanged;
            }
            s.shown[pos] = blank_;
            return Outcome::Changed;
        }
    }
    return Outcome::Unchanged;
}

EditMask::Outcome EditMask::Paste(State& s, std::wstring_view text) const {
    State work = s;
    if (work.selEnd < work.selStart) {
        std::swap(work.selStart, work.selEnd);
    }
    BlankSelection(*this, work);
    for (wchar_t ch : text) {
        if (Type(work, ch) == Outcome::Refused) {
            return Outcome::Refused;
        }
    }
    bool changed = work.shown != s.shown;
    s = std::move(work);
    return changed ? Outcome::Changed : Outcome::Unchanged;
}

}  // namespace toolkit
