#pragma once
// Cover pictures read and decoded once, on threads of their own, and shared by the format
// page, the miniature and the composition until their file changes (its size or its
// modification time). The program's thread goes on meanwhile: it repaints, and a decode
// that takes long can be given up.

#include "framework/graphics/Graphics.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

class TCoverPictures : public QObject {
    Q_OBJECT
public:
    // What a read gives of a JPEG picture: its pixels, for windows that show it, or only
    // its compressed bytes and header, for output that carries the bytes (pages, PDF files)
    // or decodes them at its own resolution (printers).
    enum class TJpegPixels { Decoded, LeftCompressed };
    explicit TCoverPictures(QObject* parent = nullptr, TJpegPixels jpeg = TJpegPixels::Decoded);
    // Gives up the decodes still running and waits for their threads.
    ~TCoverPictures() override;

    // Starts reading the file unless it has been read, or is being read, since it last
    // changed; a read given up is started again only when asked again. An empty name is
    // no picture.
    void Request(const QString& file, bool again = false);
    // The decoded picture; null while it is read, when it failed, or before Request.
    TGraphic* Graphic(const QString& file) const;
    // Why the file gave no picture (the framework's or the decoder's message); empty for
    // a picture read or still being read.
    QString Problem(const QString& file) const;
    bool Reading(const QString& file) const;
    bool Reading() const;
    bool GivenUp(const QString& file) const;
    // Lets events run until none of the files is being read; false when GiveUp ended the
    // wait first.
    bool Wait(const QStringList& files);
    // Gives up every read that is running: those files are read again when next asked.
    void GiveUp();
    // How many times a file was read and decoded, for the ones who count.
    int Reads() const { return reads_; }

signals:
    // A file's read has ended (or been given up); its picture or problem is there.
    void Ready(const QString& file);
    void Started(const QString& file);

private:
    struct TJob {
        QString file;
        bool decode = true;
        std::unique_ptr<TGraphic> graphic;
        QString problem;
        std::atomic<bool> cancel{false};
        std::thread thread;
    };
    struct TEntry {
        qint64 size = -1;
        QDateTime modified;
        std::unique_ptr<TGraphic> graphic;
        QString problem;
        bool givenUp = false;
        std::shared_ptr<TJob> job;
    };
    void Finish(const std::shared_ptr<TJob>& job);
    static void Run(TJob& job);

    std::map<QString, TEntry> entries_;
    // Every job whose thread has not been joined, given up or not.
    std::vector<std::shared_ptr<TJob>> running_;
    int reads_ = 0;
    bool givenUp_ = false;
    TJpegPixels jpeg_;
};
