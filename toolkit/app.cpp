#include "toolkit/toolkit.h"

namespace toolkit {

App* Application = nullptr;

std::wstring ErrorDisplayText(std::wstring_view message) {
    std::wstring text(message);
    if (!text.empty() && text.back() > L'.') {
        text.push_back(L'.');
    }
    return text;
}

void RunHandler(const Handler& handler) {
    if (!handler) {
        return;
    }
    try {
        handler();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(Exception(L""));
    }
}

}  // namespace toolkit
