#pragma once
// Window services that pass every call on to other services. A class that
// needs to watch or change a few of the calls derives from it and overrides
// only those.

#include "model/window_services.h"

class ForwardingServices : public WindowServices {
public:
    explicit ForwardingServices(WindowServices& target) : target_(target) {}

    void showPicture(const std::string& path) override { target_.showPicture(path); }
    void showMessage(const std::string& text) override { target_.showMessage(text); }
    std::string askText(const std::string& prompt) override { return target_.askText(prompt); }
    void setCaption(Control button, const std::string& caption) override { target_.setCaption(button, caption); }
    void setVisible(Control control, bool visible) override { target_.setVisible(control, visible); }
    void setText(Control textBox, const std::string& text) override { target_.setText(textBox, text); }
    int isChecked(Control checkBox) override { return target_.isChecked(checkBox); }
    void setChecked(Control checkBox, int value) override { target_.setChecked(checkBox, value); }
    bool isSelected(Control optionButton) override { return target_.isSelected(optionButton); }
    void setTimerInterval(std::int32_t milliseconds) override { target_.setTimerInterval(milliseconds); }
    std::string probeFile(const std::string& path) override { return target_.probeFile(path); }
    std::string probeSlowDrive(const std::string& path) override { return target_.probeSlowDrive(path); }
    DriveRoots listDriveRoots(std::int32_t capacity) override { return target_.listDriveRoots(capacity); }
    std::int32_t driveType(const std::string& root) override { return target_.driveType(root); }
    double clockSeconds() override { return target_.clockSeconds(); }
    double randomUnit() override { return target_.randomUnit(); }
    void endProgram() override { target_.endProgram(); }
    void pause(double seconds) override { target_.pause(seconds); }

protected:
    WindowServices& target() { return target_; }

private:
    WindowServices& target_;
};
