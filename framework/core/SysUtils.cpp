#include "framework/core/SysUtils.h"

#include "framework/core/Translations.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <cfenv>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

const char* Exception::what() const noexcept {
    utf8_ = message_.toUtf8();
    return utf8_.constData();
}

void Abort() {
    throw EAbort();
}

int64_t RoundEven(long double v) {
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyint(v);
    if (saved != FE_TONEAREST) std::fesetround(saved);
    if (!(r >= static_cast<long double>(std::numeric_limits<int64_t>::min())))
        return std::numeric_limits<int64_t>::min();
    if (r >= static_cast<long double>(std::numeric_limits<int64_t>::max()))
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(r);
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const int64_t p = static_cast<int64_t>(number) * numerator;
    int64_t q = p / denominator;
    const int64_t rem = p % denominator;
    if (2 * std::llabs(rem) >= std::llabs(static_cast<int64_t>(denominator)))
        q += ((p < 0) != (denominator < 0)) ? -1 : 1;
    if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(q);
}

bool TryStrToInt(const QString& s, int& value) {
    // Leading blanks are allowed, trailing ones are not.
    qsizetype start = 0;
    while (start < s.size() && s[start].isSpace())
        ++start;
    QString t = s.mid(start);
    bool negative = false;
    if (t.startsWith('-') || t.startsWith('+')) {
        negative = t.startsWith('-');
        t = t.mid(1);
    }
    int base = 10;
    if (t.startsWith('$')) {
        base = 16;
        t = t.mid(1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t = t.mid(2);
    }
    if (t.isEmpty()) return false;
    for (QChar c : t) {
        const bool ok = base == 10 ? c.isDigit() && c.unicode() < 128
                                   : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!ok) return false;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, base);
    if (!ok) return false;
    const qlonglong signedValue = negative ? -v : v;
    if (signedValue < std::numeric_limits<int>::min() ||
        signedValue > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

int StrToInt(const QString& s) {
    int v = 0;
    if (!TryStrToInt(s, v)) throw EConvertError(SysConst::Text(SysConst::SInvalidInteger).arg(s));
    return v;
}

QString SysConst::Text(const char* message) {
    return Translate("SysConst", QString::fromLatin1(message));
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + '.';
    return message;
}

// ---- Errors at the edges of Qt -----------------------------------------------------------

namespace {

TExceptionSink& ExceptionSink() {
    static TExceptionSink sink;
    return sink;
}

void Report(const Exception& e) noexcept {
    try {
        if (ExceptionSink()) {
            ExceptionSink()(e);
            return;
        }
    } catch (...) {
        // The sink failed too: fall through to the last resort.
    }
    std::fprintf(stderr, "%s\n", e.what());
}

} // namespace

TExceptionSink SetExceptionSink(TExceptionSink sink) {
    return std::exchange(ExceptionSink(), std::move(sink));
}

namespace {

// Runs f; what left it, as the exception to report (none for a silent abort). completed
// says whether f returned.
std::optional<Exception> Caught(const std::function<void()>& f, bool& completed) noexcept {
    completed = false;
    try {
        f();
        completed = true;
    } catch (const EAbort&) {
        // Left on purpose: nothing to tell.
    } catch (const Exception& e) {
        return e;
    } catch (const std::exception& e) {
        return Exception(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return Exception(QStringLiteral("Unknown error"));
    }
    return std::nullopt;
}

int paintDepth = 0;

// Sources whose last paint failed, with the message they failed with.
std::vector<std::pair<QPointer<QObject>, QString>>& FailingSources() {
    static std::vector<std::pair<QPointer<QObject>, QString>> sources;
    return sources;
}

// Messages posted and not yet told, or on screen: the same one is not posted again.
QStringList& PostedMessages() {
    static QStringList messages;
    return messages;
}

void PostReport(const Exception& e) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return Report(e);
    if (PostedMessages().contains(e.Message())) return;
    PostedMessages() << e.Message();
    QMetaObject::invokeMethod(
        app,
        [e] {
            Report(e);
            PostedMessages().removeOne(e.Message());
        },
        Qt::QueuedConnection);
}

// Tells a paint failure of source unless it is the one source failed with last time.
void PaintFailed(QObject* source, const Exception& e) {
    auto& failing = FailingSources();
    std::erase_if(failing, [](const auto& f) { return f.first.isNull(); });
    for (auto& [who, message] : failing)
        if (who == source) {
            if (message == e.Message()) return;
            message = e.Message();
            PostReport(e);
            return;
        }
    failing.emplace_back(source, e.Message());
    PostReport(e);
}

void PaintSucceeded(QObject* source) {
    std::erase_if(FailingSources(),
                  [source](const auto& f) { return f.first.isNull() || f.first == source; });
}

} // namespace

void SafeCall(const std::function<void()>& f) noexcept {
    bool completed;
    if (const std::optional<Exception> e = Caught(f, completed)) Report(*e);
}

void SafePaint(QObject* source, const std::function<void()>& f) noexcept {
    Q_ASSERT(QCoreApplication::instance() &&
             QThread::currentThread() == QCoreApplication::instance()->thread());
    bool completed;
    ++paintDepth;
    const std::optional<Exception> e = Caught(f, completed);
    --paintDepth;
    if (completed)
        SafeCall([&] { PaintSucceeded(source); });
    else if (e)
        SafeCall([&] { PaintFailed(source, *e); });
}

bool Painting() {
    return paintDepth > 0;
}
