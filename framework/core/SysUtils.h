#pragma once
// Exceptions, rounding and conversions shared by every layer.

#include <QString>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)) {}
    const QString& Message() const { return message_; }
    void SetMessage(const QString& m) { message_ = m; }
    const char* what() const noexcept override;

    // The file the error is about, when it is about one (every error of reading a picture
    // file carries it): what shows the message names the file, and the cover or design it
    // belongs to, from it.
    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& fileName) { fileName_ = fileName; }

private:
    QString message_;
    QString fileName_;
    mutable QByteArray utf8_;
};

// Raised to leave an operation without telling the user anything.
class EAbort : public Exception {
public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
    using Exception::Exception;
};

// Where an error caught at an edge of Qt goes: the application installs its error box here,
// so that lower layers can guard Qt's calls into them without knowing the application.
using TExceptionSink = std::function<void(const Exception&)>;
// Installs sink and returns the one it replaces.
TExceptionSink SetExceptionSink(TExceptionSink sink);

// Runs f where Qt called into our code: an exception leaving it goes to the exception sink
// (nothing for a silent abort) and never unwinds through Qt's frames, not even when the
// sink itself fails.
void SafeCall(const std::function<void()>& f) noexcept;

class QObject;
// The same for a paint step of source (a widget painting). No window may open inside a
// paint event, so an error leaving f reaches the sink later, from the event loop; and a
// source that fails the same way on every repaint has it told once, until it paints
// without error again. Paint events come on the GUI thread only.
void SafePaint(QObject* source, const std::function<void()>& f) noexcept;
// True while a paint step runs (an error box must then be posted, not shown).
bool Painting();

class EConvertError : public Exception {
    using Exception::Exception;
};
class EStreamError : public Exception {
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
    using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
    using EStreamError::EStreamError;
};
class EOutOfResources : public Exception {
    using Exception::Exception;
};
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
    using Exception::Exception;
};
class EInvalidOperation : public Exception {
    using Exception::Exception;
};
class EPrinter : public Exception {
    using Exception::Exception;
};

[[noreturn]] void Abort();

// The framework's own message texts, written in English; Text() gives them in the
// program's language.
namespace SysConst {
inline constexpr const char* SFOpenError = QT_TRANSLATE_NOOP("SysConst", "Cannot open file %1");
inline constexpr const char* SFCreateError = QT_TRANSLATE_NOOP("SysConst", "Cannot create file %1");
inline constexpr const char* SUnknownExtension =
    QT_TRANSLATE_NOOP("SysConst", "Unknown picture file extension (.%1)");
inline constexpr const char* SInvalidBitmap =
    QT_TRANSLATE_NOOP("SysConst", "Bitmap image is not valid");
inline constexpr const char* SInvalidMetafile =
    QT_TRANSLATE_NOOP("SysConst", "Metafile is not valid");
inline constexpr const char* SInvalidIcon =
    QT_TRANSLATE_NOOP("SysConst", "Icon image is not valid");
inline constexpr const char* SInvalidInteger =
    QT_TRANSLATE_NOOP("SysConst", "'%1' is not a valid integer value");
QString Text(const char* message);
} // namespace SysConst

// Rounds to the nearest integer, halves to even, whatever the current rounding mode.
int64_t RoundEven(long double v);
inline int RoundInt(long double v) {
    return static_cast<int>(RoundEven(v));
}

// Multiplies and divides with a 64-bit intermediate, rounding to nearest (halves away
// from zero, as the system's MulDiv does); -1 on division by zero.
int MulDiv(int number, int numerator, int denominator);

// Integer parsing of user input: optional sign, decimal digits or $hex; anything else
// raises EConvertError with the invalid-integer message.
int StrToInt(const QString& s);
bool TryStrToInt(const QString& s, int& value);

// The text an error box shows for an exception message: a full stop is added when the
// last character sorts after '.'.
QString ErrorBoxText(const QString& message);
