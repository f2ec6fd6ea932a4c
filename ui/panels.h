// SPDX-License-Identifier: GPL-3.0-or-later
// The modal panels: the notice panel (p0_), the quit panel (p1_) and the password panel
// (p2_). Each is shown the same way: its message in the status field, the QuelSATA picture,
// above other windows, run modally (timers and service input wait meanwhile) and hidden
// afterwards. OK ends the run with 1, Cancel (and Escape) with 0.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class p0_Panel;
class p1_Panel;
class p2_Panel;
} // namespace Ui

// Runs a panel modally inside a ModalScope and hides it afterwards; its result code.
int runModalPanel(QDialog& panel);

class NoticePanel : public QDialog
{
    Q_OBJECT
public:
    explicit NoticePanel(QWidget* parent = nullptr);
    ~NoticePanel() override;
    // Fills the panel without running it (renders and tests).
    void prepare(const QString& text);
    int run(const QString& text);

private:
    std::unique_ptr<Ui::p0_Panel> _ui;
};

class QuitPanel : public QDialog
{
    Q_OBJECT
public:
    explicit QuitPanel(QWidget* parent = nullptr);
    ~QuitPanel() override;
    void prepare(const QString& text);
    int run(const QString& text);

private:
    std::unique_ptr<Ui::p1_Panel> _ui;
};

class PasswordPanel : public QDialog
{
    Q_OBJECT
public:
    explicit PasswordPanel(QWidget* parent = nullptr);
    ~PasswordPanel() override;
    // The status text, an empty entry field.
    void prepare(const QString& status);
    // The text entered on OK, nothing on Cancel.
    std::optional<QString> run(const QString& status);

private:
    std::unique_ptr<Ui::p2_Panel> _ui;
};
