// A form seen through a window-position interface, such as the one the settings module uses
// to restore and store window positions (Left, Top, Width, Height, WindowState in whole twips,
// SetWindowState, Move). Header only, so the platform layer needs no header of the caller:
//
//   platform::ui::PositionedForm<lumoedit::iPositionedWindow> position(*this);
//   Registry::LoadFormPosition(kSettingsKey, &position);
//
// Bounds are those of the normal state, so a maximised window reports where it returns to.
#pragma once

#include "platform/ui/Form.h"

#include <cmath>
#include <cstdint>

namespace platform::ui {

template <class Interface>
class PositionedForm final : public Interface {
public:
    explicit PositionedForm(Form& form) : form_(form) {}

    std::int32_t Left() const override { return Whole(form_.NormalBounds().x()); }
    std::int32_t Top() const override { return Whole(form_.NormalBounds().y()); }
    std::int32_t Width() const override { return Whole(form_.NormalBounds().width()); }
    std::int32_t Height() const override { return Whole(form_.NormalBounds().height()); }
    std::int32_t WindowState() const override { return form_.WindowState(); }
    void SetWindowState(std::int32_t state) override { form_.SetWindowState(state); }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        form_.Move(left, top, width, height);
    }

private:
    static std::int32_t Whole(double twips) {
        return static_cast<std::int32_t>(std::nearbyint(twips)); // halves to even
    }
    Form& form_;
};

} // namespace platform::ui
