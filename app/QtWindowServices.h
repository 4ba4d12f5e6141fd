#pragma once

#include "WindowServices.h"

#include <memory>

class QMessageBox;

class QWidget;

namespace app {

class QtMessageBox final : public MessageBox
{
public:
    explicit QtMessageBox(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(const QString &text, int style, const std::optional<QString> &caption) override;

    // The box show() runs: its text is always plain, since descriptions
    // carry file names and machine data that may look like markup.
    std::unique_ptr<QMessageBox> box(const QString &text, int style, const std::optional<QString> &caption) const;

private:
    QWidget *m_parent;
};

class QtSaveDialog final : public SaveDialog
{
public:
    explicit QtSaveDialog(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void ShowSave() override;

    // "Text Files (*.txt)|*.txt|" -> "Text Files (*.txt)".
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
};

class QtEventPump final : public inventory::EventPump
{
public:
    void pump() override;
};

class QtProgramEnd final : public ProgramEnd
{
public:
    void end() override;
};

class QtUrlOpener final : public UrlOpener
{
public:
    void openUrl(const QUrl &address) override;
};

} // namespace app
