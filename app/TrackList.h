#pragma once
// Track lists brought in for the rear cover's central text: from a text file (a line per
// track), a CUE sheet, or a folder of audio files read for their tags, each made into
// lines "1. Title (3:12)".

#include "framework/core/SysUtils.h"

#include <QList>
#include <QString>
#include <QStringList>

struct TTrack {
    int number = 0; // as the source numbers it; 0 when it does not
    QString title;
    QString performer;
    int seconds = -1; // -1 when the length is not known
};

struct TTrackList {
    QString performer; // the album's, when the source names one
    QList<TTrack> tracks;
    // Files of a folder that gave no track, each "NAME: why".
    QStringList skipped;
};

// A file or folder that gives no track list; the message names it.
class ETrackList : public Exception {
    using Exception::Exception;
};

// One track per line that is not blank. A leading "1." "01)" "1 -" is the track's number, a
// trailing "(3:12)" "[3:12]" or "3:12" after a tab or two spaces its length.
TTrackList ReadTrackText(const QString& file);
// TRACK, TITLE, PERFORMER and INDEX 01; a track lasts until the next one's INDEX 01, the
// last of a FILE until the end of that audio file when it is there to be measured.
TTrackList ReadCueSheet(const QString& file);
// The audio files directly inside the folder, by their tags' track numbers when every one
// has its own, by name otherwise; a file without a title tag is named by its file name.
TTrackList ReadAudioFolder(const QString& folder);
// Any of the three: a folder, a file ending ".cue", or a text file.
TTrackList ReadTrackList(const QString& path);

// "1. Title (3:12)"; the track's performer before its title ("1. Performer - Title") when
// the album has none or another. Tracks the source did not number are numbered in order.
QStringList TrackLines(const TTrackList& list);
// "3:12", "1:02:03".
QString TrackLength(int seconds);
