#pragma once

#include "Dialogs.h"

namespace look {

// The real boxes and prompts: QMessageBox and QInputDialog over the active window.
class QtDialogs final : public Dialogs {
public:
    void error(const QString& title, const QString& text) override;
    QString prompt(const QString& text, const QString& title, const QString& defaultText) override;
    bool question(const QString& text, const QString& title) override;
    void notice(const QString& text, const QString& title) override;
    QString chooseFile(const QString& title, const QString& suggested, bool save) override;
};

}  // namespace look
