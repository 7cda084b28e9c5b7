// The dialogs of the main window's checksum-file commands. Tests put their own answers in place
// of them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

#include "checksumfile.h"

class QWidget;

// Asks for the checksum file to verify; true with its path.
using TChecksumFilePrompt = std::function<bool(QWidget* Owner, QByteArray& Path)>;
// Asks where to save the results and in which form: Suggested is the proposed path, Forms the
// forms of the type list, the first the default. True with the path and form chosen.
using TSaveResultsPrompt =
    std::function<bool(QWidget* Owner, const QByteArray& Suggested, const QList<sums::Form>& Forms,
                       QByteArray& Path, sums::Form& Form)>;
// Asks for a known digest when the clipboard holds none; true with the text typed.
using TDigestPrompt = std::function<bool(QWidget* Owner, QString& Text)>;

// An empty function puts the real dialog back.
void SetChecksumFilePrompt(TChecksumFilePrompt Prompt);
void SetSaveResultsPrompt(TSaveResultsPrompt Prompt);
void SetDigestPrompt(TDigestPrompt Prompt);
