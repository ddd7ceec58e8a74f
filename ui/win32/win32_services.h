#pragma once
// The window services over Win32: the controls of the main window, its
// background picture and its timer, and the modal boxes. The disc, the
// clock and the random sequence are those every window shares.

#include "ui/desktop_services.h"

class MainWindow;

class Win32Services : public DesktopServices {
public:
    explicit Win32Services(MainWindow& window);

    void showMessage(const std::string& text) override;
    std::string askText(const std::string& prompt) override;
    void setCaption(Control button, const std::string& caption) override;
    void setVisible(Control control, bool visible) override;
    void setText(Control textBox, const std::string& text) override;
    int isChecked(Control checkBox) override;
    void setChecked(Control checkBox, int value) override;
    bool isSelected(Control optionButton) override;
    void setTimerInterval(std::int32_t milliseconds) override;
    void endProgram() override;
    void pause(double seconds) override;

protected:
    void checkRunning() override;
    void setBackground(std::shared_ptr<const DecodedPicture> picture, const std::string& path) override;
    PictureArea pictureArea() override;

private:
    MainWindow& window();

    MainWindow& window_;
};
