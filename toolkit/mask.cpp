#include "toolkit/mask.h"

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
    if (last != std::wstring_view::npos && last + 1 < mask.size() &&
        mask.find(L';') != last) {
        blank_ = mask[last + 1];
    }
}

std::wstring EditMask::Empty() const { return Fit(L""); }

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
        std::wstring_view part = text.substr(0, std::min(text.find(slots_.size() > end ? slots_[end] : L'\0'), text.size()));
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
