#include "toolkit/toolkit.h"

namespace toolkit {

int RunStartup(const std::vector<Handler>& steps) {
    try {
        for (const Handler& step : steps) {
            step();
        }
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (...) {
        // Whatever it was, the user sees the toolkit's error display with an empty text.
        try {
            throw Exception(L"");
        } catch (const Exception& empty) {
            Application->ShowException(empty);
        }
    }
    return 0;
}

}  // namespace toolkit
