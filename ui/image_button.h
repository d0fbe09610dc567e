#pragma once
// A flat button showing a picture (from an image list) and an optional caption below or
// beside it. It rises while the pointer is over it, sinks while pressed, greys its picture
// when disabled, and raises OnClick on a click, on Enter/Space with the focus, and on BM_CLICK.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "ui/flat_button.h"

namespace kelt::ui {

class ImageButton : public FlatButtonBase {
public:
    ImageButton() = default;
    ~ImageButton() override;

    bool CreateIn(HWND parent, int left, int top, int width, int height, int id = 0);

    // The picture: image `index` of `images` (not owned), drawn `imageSize` pixels square.
    void SetImage(HIMAGELIST images, int index, int imageSize);
    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    void SetHint(const std::string& hint);
    void SetHandCursor(bool hand) { handCursor_ = hand; }
    // Flat buttons show a frame only while hot or pressed.
    void SetFlat(bool flat);
    void SetEnabled(bool enabled);
    bool IsEnabled() const;

    std::function<void()> OnClick;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    void OnButtonClick() override { Click(); }
    std::string ButtonName() const override;

private:
    void Click();

    HIMAGELIST images_ = nullptr;
    int index_ = -1;
    int imageSize_ = 32;
    std::string caption_;
    bool flat_ = true;
    bool handCursor_ = false;
};

} // namespace kelt::ui
