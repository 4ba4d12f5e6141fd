#pragma once

#include "ReportSink.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QFileDevice;

namespace report {

// A report on its way to a file or to standard output: the pieces go out as
// UTF-8 while the walk still runs, and the closing bytes (a report's CR LF)
// end it. A file is replaced only when finish() succeeds, so a failed or
// abandoned report leaves the earlier file as it was; devices and pipes,
// which cannot be replaced, are written in place. Nothing throws before
// finish(), which throws inventory::Failure with the first failure's reason.
// Other files the program writes (an inventory file) go the same way.
class ReportFile final : public ReportSink
{
public:
    // Characters encoded and written at a time: small beside a big report,
    // large beside the cost of one write.
    static constexpr qsizetype Piece = 64 * 1024;

    explicit ReportFile(const QString &path, QByteArray closing = QByteArrayLiteral("\r\n"));
    static ReportFile standardOutput(QByteArray closing = QByteArrayLiteral("\r\n"));
    ReportFile(ReportFile &&) noexcept;
    ~ReportFile() override;

    void append(const QString &piece) override;
    // Bytes as they are, after the text appended so far.
    void appendBytes(const QByteArray &bytes);
    void finish();

private:
    ReportFile() = default;
    // Encodes and writes what is pending, a piece at a time. No piece ends
    // between the halves of a surrogate pair, so the bytes are those of
    // encoding the whole text at once.
    void writePending(bool final);
    void failed(const QString &reason);

    QString m_name;
    QByteArray m_closing;
    std::unique_ptr<QFileDevice> m_file;
    bool m_atomic = false;
    QString m_pending;
    // The first failure's reason; nothing more goes out after it.
    std::optional<QString> m_failure;
};

} // namespace report
