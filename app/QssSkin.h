#pragma once

#include "SkinLayer.h"

#include <QByteArray>

namespace app {

// A skin layer whose skin file is a Qt style sheet. It applies the sheet to
// the window; Qt leaves out what it does not know (unknown properties).
class QssSkin final : public SkinLayer
{
public:
    static constexpr qint64 MaxSkinFile = 1024 * 1024;

    void LoadSkin(const QString &skinFile, const QString &iniFileName) override;
    qint32 Options() const override { return m_options; }
    void setOptions(qint32 flags) override { m_options = flags; }
    void setSwitch(int which, bool on) override;
    void ApplyWindow(QWidget &window) override;

    // The sheet in content, or inventory::Failure saying why it is none:
    // not UTF-8 text, no rules at all, or Qt's parser cannot read it.
    static QString styleSheetFrom(const QByteArray &content, const QString &skinFile);

private:
    QString m_sheet;
    bool m_loaded = false;
    qint32 m_options = 0;
};

} // namespace app
