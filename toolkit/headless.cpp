#include "toolkit/headless.h"

#include <chrono>
#include <thread>

namespace toolkit::headless {

namespace {

template <typename Base>
class Stored : public Base {
public:
    explicit Stored(const ControlSpec& spec) : text_(spec.text), enabled_(spec.enabled) {}
    bool Enabled() const override { return enabled_; }
    std::wstring Text() const override { return text_; }
    void SetText(std::wstring_view text) override { text_ = text; }

protected:
    std::wstring text_;
    bool enabled_;
};

class HEdit : public Stored<Edit> {
public:
    using Stored::Stored;
};

class HMaskEdit : public Stored<MaskEdit> {
public:
    explicit HMaskEdit(const ControlSpec& spec) : Stored(spec), mask_(spec.mask) {
        text_ = mask_.Fit(spec.text);
    }
    std::wstring Text() const override { return mask_.Output(text_); }
    void SetText(std::wstring_view text) override { text_ = mask_.Fit(text); }

private:
    EditMask mask_;
};

class HCheckBox : public Stored<CheckBox> {
public:
    using Stored::Stored;
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override { checked_ = checked; }

private:
    bool checked_ = false;
};

class HComboBox : public Stored<ComboBox> {
public:
    HComboBox(const ControlSpec& spec, bool listOnly) : Stored(spec), listOnly_(listOnly) {
        for (std::wstring_view item : spec.items) {
            items_.emplace_back(item);
        }
        index_ = spec.itemIndex;
    }
    int Count() const override { return static_cast<int>(items_.size()); }
    std::wstring Item(int index) const override {
        return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : L"";
    }
    void AddItem(std::wstring_view text) override { items_.emplace_back(text); }
    void ClearItems() override {
        items_.clear();
        index_ = -1;
    }
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int index) override {
        index_ = index >= 0 && index < Count() ? index : -1;
        text_ = Item(index_);
    }
    void SetText(std::wstring_view text) override {
        text_ = text;
        if (listOnly_) {
            return;
        }
        // An editable combo box keeps a selection only while its text is that entry's.
        if (index_ >= 0 && Item(index_) != text_) {
            index_ = -1;
        }
    }

private:
    std::vector<std::wstring> items_;
    int index_ = -1;
    bool listOnly_;
};

template <typename T>
class HPlain : public Stored<T> {
public:
    using Stored<T>::Stored;
};

}  // namespace

void HeadlessApp::ShowNotice(std::wstring_view text, std::wstring_view caption) {
    boxes.push_back({Box::Notice, std::wstring(text), std::wstring(caption)});
    if (onBox) {
        onBox(boxes.back());
    }
}

void HeadlessApp::ShowException(const Exception& e) {
    boxes.push_back({Box::Error, ErrorDisplayText(e.Message()), Title});
    if (onBox) {
        onBox(boxes.back());
    }
}

void HeadlessApp::ProcessMessages() {
    ++pumpCount;
    while (!pendingInput.empty()) {
        auto input = std::move(pendingInput.front());
        pendingInput.pop_front();
        input();
    }
}

void HeadlessApp::WaitForMessage(std::uint32_t ms) {
    if (fakeClock) {
        fakeTick += ms == 0 ? 1 : ms;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t HeadlessApp::TickCount() {
    if (fakeClock) {
        return fakeTick;
    }
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::unique_ptr<Control> HeadlessFactory::Create(const ControlSpec& spec, Control* /*parent*/) {
    switch (spec.kind) {
        case Kind::Label: return std::make_unique<HPlain<Label>>(spec);
        case Kind::Edit: return std::make_unique<HEdit>(spec);
        case Kind::MaskEdit: return std::make_unique<HMaskEdit>(spec);
        case Kind::ComboEdit: return std::make_unique<HComboBox>(spec, false);
        case Kind::ComboList: return std::make_unique<HComboBox>(spec, true);
        case Kind::Button: return std::make_unique<HPlain<Button>>(spec);
        case Kind::CheckBox: return std::make_unique<HCheckBox>(spec);
        case Kind::Panel: return std::make_unique<HPlain<Panel>>(spec);
        case Kind::GroupBox: return std::make_unique<HPlain<GroupBox>>(spec);
    }
    return nullptr;
}

void PickItem(ComboBox& combo, int index) {
    combo.SetItemIndex(index);
    RunHandler(combo.OnChange);
}

void TypeText(ComboBox& combo, std::wstring_view text) {
    combo.SetText(text);
    // Auto-completion selects the entry that the typed text names.
    for (int i = 0; i < combo.Count(); ++i) {
        if (combo.Item(i) == text) {
            combo.SetItemIndex(i);
        }
    }
    RunHandler(combo.OnChange);
}

void Click(Button& button) { RunHandler(button.OnClick); }

}  // namespace toolkit::headless
