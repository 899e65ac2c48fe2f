#include "app/startup.h"

#include <memory>

#include "toolkit/win32/win32_toolkit.h"
#include "ui/layout.h"
#include "ui/unit1.h"

namespace app {

int RunProgram(HINSTANCE instance, const std::function<void(Step)>& beforeStep) {
    toolkit::win32::Win32App application(instance);
    toolkit::Application = &application;
    std::unique_ptr<TForm1> form;
    auto step = [&](Step which, std::function<void()> body) {
        return [&beforeStep, which, body = std::move(body)] {
            if (beforeStep) {
                beforeStep(which);
            }
            body();
        };
    };
    int code = toolkit::RunStartup({
        step(Step::Initialize, [&] { application.Initialize(); }),
        step(Step::TaskBarButton, [&] { application.SetMainFormOnTaskBar(true); }),
        step(Step::Title, [&] { application.Title = std::wstring(ui::kCaption); }),
        step(Step::CreateMainWindow,
             [&] {
                 application.CreateMainWindow(L"TForm1", ui::kCaption, ui::kClientWidth,
                                              ui::kClientHeight);
                 form = std::make_unique<TForm1>(application.ControlFactory());
                 Form1 = form.get();
             }),
        step(Step::RunLoop, [&] { application.Run(); }),
    });
    // The toolkit destroys the window with its controls.
    Form1 = nullptr;
    form.reset();
    application.DestroyMainWindow();
    toolkit::Application = nullptr;
    return code;
}

}  // namespace app
