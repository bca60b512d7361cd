#include "app/CoverPictures.h"
#include "framework/core/Translations.h"

#include "imaging/jpeg.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>

namespace {

QString GivenUpText(const QString& file) {
    return Translate("CoverPictures", "reading %1 was given up").arg(file);
}

} // namespace

TCoverPictures::TCoverPictures(QObject* parent, TJpegPixels jpeg) : QObject(parent), jpeg_(jpeg) {}

TCoverPictures::~TCoverPictures() {
    for (const auto& job : running_)
        job->cancel = true;
    for (const auto& job : running_)
        if (job->thread.joinable()) job->thread.join();
}

// On the job's own thread: the graphic was made on the program's thread and nothing else
// touches it until the thread has ended.
void TCoverPictures::Run(TJob& job) {
    job.graphic->OnProgress = [&job](TObject*, int, int, bool, const QRect&, const QString&) {
        if (job.cancel) throw EAbort();
    };
    try {
        job.graphic->LoadFromFile(job.file);
        // Decoded here once, so that no draw on the program's thread decodes it.
        if (auto* jpeg = qobject_cast<TJPEGImage*>(job.graphic.get()); jpeg && job.decode)
            jpeg->Bitmap();
    } catch (const EAbort&) {
        job.problem = GivenUpText(job.file);
    } catch (const Exception& e) {
        job.problem = e.Message();
    } catch (const std::bad_alloc&) {
        job.problem = Translate("CoverPictures", "not enough memory to read %1").arg(job.file);
    } catch (const std::exception& e) {
        job.problem = QString::fromLocal8Bit(e.what());
    }
    job.graphic->OnProgress = nullptr;
    if (!job.problem.isEmpty()) job.graphic.reset();
}

void TCoverPictures::Request(const QString& file, bool again) {
    if (file.isEmpty()) return;
    const QFileInfo info(file);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    TEntry& entry = entries_[file];
    const bool unchanged = entry.size == size && entry.modified == modified;
    if (unchanged && entry.givenUp && !again) return;
    if (unchanged && !entry.givenUp && (entry.job || entry.graphic || !entry.problem.isEmpty()))
        return;
    entry.givenUp = false;
    if (entry.job) entry.job->cancel = true; // its end is no longer wanted
    entry.size = size;
    entry.modified = modified;
    entry.graphic.reset();
    entry.problem.clear();
    entry.job.reset();

    const QString ext = PictureFileExtension(file);
    const TFileFormat* format = FindFileFormat(ext);
    std::unique_ptr<TGraphic> graphic = format ? format->make() : nullptr;
    if (!graphic) {
        entry.problem = SysConst::Text(SysConst::SUnknownExtension).arg(ext);
        emit Ready(file);
        return;
    }
    auto job = std::make_shared<TJob>();
    job->file = file;
    job->decode = jpeg_ == TJpegPixels::Decoded;
    job->graphic = std::move(graphic);
    entry.job = job;
    ++reads_;
    givenUp_ = false;
    running_.push_back(job);
    // The end is told through the application, to a store that may be gone by then.
    QPointer<TCoverPictures> owner(this);
    job->thread = std::thread([owner, job] {
        Run(*job);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner, job] {
                if (owner) owner->Finish(job);
            },
            Qt::QueuedConnection);
    });
    emit Started(file);
}

void TCoverPictures::Finish(const std::shared_ptr<TJob>& job) {
    if (job->thread.joinable()) job->thread.join();
    std::erase(running_, job);
    auto it = entries_.find(job->file);
    // A read given up, or overtaken by a newer one of the same file, tells nothing.
    if (it == entries_.end() || it->second.job != job) return;
    TEntry& entry = it->second;
    entry.job.reset();
    entry.graphic = std::move(job->graphic);
    entry.problem = job->problem;
    emit Ready(job->file);
}

TGraphic* TCoverPictures::Graphic(const QString& file) const {
    const auto it = entries_.find(file);
    return it == entries_.end() ? nullptr : it->second.graphic.get();
}

QString TCoverPictures::Problem(const QString& file) const {
    const auto it = entries_.find(file);
    return it == entries_.end() ? QString() : it->second.problem;
}

bool TCoverPictures::Reading(const QString& file) const {
    const auto it = entries_.find(file);
    return it != entries_.end() && it->second.job;
}

bool TCoverPictures::Reading() const {
    for (const auto& [file, entry] : entries_)
        if (entry.job) return true;
    return false;
}

bool TCoverPictures::GivenUp(const QString& file) const {
    const auto it = entries_.find(file);
    return it != entries_.end() && it->second.givenUp;
}

bool TCoverPictures::Wait(const QStringList& files) {
    auto reading = [&] {
        for (const QString& f : files)
            if (Reading(f)) return true;
        return false;
    };
    givenUp_ = false;
    if (!reading()) return true;
    QEventLoop loop;
    auto check = [&] {
        if (givenUp_ || !reading()) loop.quit();
    };
    const QMetaObject::Connection a = connect(this, &TCoverPictures::Ready, &loop, check);
    loop.exec();
    disconnect(a);
    return !givenUp_;
}

void TCoverPictures::GiveUp() {
    QStringList ended;
    for (auto& [file, entry] : entries_) {
        if (!entry.job) continue;
        entry.job->cancel = true;
        // A read stuck where no cancel reaches it is left to end on its own; the next
        // Request reads the file again.
        entry.job->thread.detach();
        std::erase(running_, entry.job);
        entry.job.reset();
        entry.givenUp = true;
        entry.problem = GivenUpText(file);
        ended << file;
    }
    givenUp_ = true;
    for (const QString& file : ended)
        emit Ready(file);
}
