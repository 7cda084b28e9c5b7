// The questions of the main window's checksum-file commands, asked through AskUser
// (DialogSeam.h).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "DialogSeam.h"
#include "checksumfile.h"

// The checksum file to verify.
struct TChecksumFileQuestion {
    using TAnswer = QByteArray;
};
std::optional<QByteArray> ShowDialog(QWidget* Owner, const TChecksumFileQuestion& Question);

// Where to save the results and in which form: Suggested is the proposed path, Forms the forms
// of the type list, the first the default.
struct TSaveResultsQuestion {
    QByteArray Suggested;
    QList<sums::Form> Forms;
    struct TAnswer {
        QByteArray Path;
        sums::Form Form = sums::Form::Gnu;
    };
};
std::optional<TSaveResultsQuestion::TAnswer> ShowDialog(QWidget* Owner,
                                                        const TSaveResultsQuestion& Question);

// A known digest, typed in when the clipboard holds none: the text typed.
struct TDigestQuestion {
    using TAnswer = QString;
};
std::optional<QString> ShowDialog(QWidget* Owner, const TDigestQuestion& Question);
