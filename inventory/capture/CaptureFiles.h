#pragma once

#include "CaptureText.h"
#include "WmicList.h"

#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory::capture {

// Limits that keep a wrong file from filling memory: a whole Windows machine
// dumped through CIM_LogicalDevice takes under half a megabyte.
inline constexpr qint64 MaxCaptureFileBytes = 16 * 1024 * 1024;
inline constexpr qint64 MaxCaptureFolderBytes = 64 * 1024 * 1024;
inline constexpr int MaxCaptureFolderFiles = 1000;

// The records of one class and the file they came from.
struct CapturedClass
{
    QString className; // as WMI spells it, e.g. "Win32_PnPEntity"
    QString file;
    // The file is named after another class (CIM_LogicalDevice) and lists
    // this one among many.
    bool fromDump = false;
    std::vector<WmicRecord> records;
};

// One machine's capture: every class its files hold, by lower-case class name.
struct CaptureSet
{
    QString hostName; // the computer's name, or the SystemName of its devices
    QStringList files;
    QMap<QString, CapturedClass> classes;
};

// "anything-Win32_Processor.wmi" -> "Win32_Processor"; nullopt for a name
// that carries no class.
std::optional<QString> classFromFileName(const QString &fileName);

// Parses the bytes of one capture file. Records go to the class their
// CreationClassName names, or else to the class of the file name. Throws
// Failure saying what is wrong and on which line.
CaptureSet parseCaptureFile(QByteArrayView bytes, const QString &fileName);

// Whether a file looks like a capture: a class in its name and text that
// starts like a wmic list. Reads at most a few kilobytes.
bool looksLikeCapture(const QString &path);

// Reads a capture file, or a folder of them (its regular files that carry a
// class in their names). Throws Failure saying what is wrong, after the
// file's name when the capture is a folder.
CaptureSet readCapture(const QString &path);

} // namespace inventory::capture
