#include "imaging/jpeg.h"
#include "framework/core/Translations.h"

#include "framework/core/Limits.h"
#include "framework/core/Resources.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QtEndian>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

TJPEGDefaults JPEGDefaultSettings;
int JPEGProgressInterval = 500;

namespace {

constexpr int kJPEGDescription = 62000;
constexpr const char* SChangeJPEGSize =
    QT_TRANSLATE_NOOP("SysConst", "Cannot change the size of a JPEG image");
constexpr const char* SReadError = QT_TRANSLATE_NOOP("SysConst", "Stream read error");
constexpr const char* SWriteError = QT_TRANSLATE_NOOP("SysConst", "Stream write error");
constexpr int kColors = 236;

int ScreenBitsPerPixel() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 24;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

// The colour cube and grey ramp a palette screen shows true-colour pictures through.
QList<QRgb> HalftonePalette() {
    QList<QRgb> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p << qRgb(r * 51, g * 51, b * 51);
    for (int i = 1; i <= 20; ++i)
        p << qRgb(i * 12, i * 12, i * 12);
    return p;
}

} // namespace

EJPEG::EJPEG(int code)
    : EInvalidGraphic(Translate("SysConst", "JPEG error #%1").arg(code)), code_(code) {}
EJPEG::EJPEG(int code, const QString& cause)
    : EInvalidGraphic(Translate("SysConst", "JPEG error #%1: %2").arg(code).arg(cause)),
      code_(code) {}

// ---- One libjpeg operation ------------------------------------------------------------
//
// libjpeg reports fatal errors by calling error_exit, which must not return. Ours jumps
// back with longjmp to the setjmp of the step that called the library, so no C++ frame is
// ever unwound through the library. Each step is a short function that holds no object
// with a destructor across its library calls; exceptions raised inside our own callbacks
// are caught there, kept, and thrown again once the step has returned.

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct JpegSession {
    explicit JpegSession(TJPEGImage* image) : owner(image) {
        jpeg_std_error(&err.pub);
        err.pub.error_exit = ErrorExit;
        err.pub.emit_message = EmitMessage;
        err.pub.output_message = OutputMessage;
        err.pub.reset_error_mgr = ResetErrorManager;
        d.err = &err.pub;
        d.client_data = this;
        c.err = &err.pub;
        c.client_data = this;
        progress.progress_monitor = ProgressMonitor;
        clock.start();
    }
    ~JpegSession() {
        if (d.mem) jpeg_destroy_decompress(&d);
        if (c.mem) jpeg_destroy_compress(&c);
    }
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;

    // Runs one step; false when libjpeg or a callback failed (see Fail).
    template <class F> bool Guarded(F&& step) {
        if (setjmp(err.jump)) return false;
        step();
        return true;
    }
    template <class F> void Run(F&& step) {
        if (!Guarded(step)) Fail();
    }
    [[noreturn]] void Fail() {
        if (pending) std::rethrow_exception(pending);
        throw EJPEG(err.pub.msg_code);
    }

    void CreateDecompress(const QByteArray* bytes, bool withProgress) {
        input = bytes;
        Run([this] { jpeg_CreateDecompress(&d, JPEG_LIB_VERSION, sizeof d); });
        // Whole-image buffers beyond this fail with JERR_NO_BACKING_STORE: no temporary
        // files are used.
        d.mem->max_memory_to_use = static_cast<long>(kMaxJpegDecoderBytes);
        // The whole file is in memory: one buffer, and its end is the end of the data.
        src.init_source = [](j_decompress_ptr) {};
        src.fill_input_buffer = FillInputBuffer;
        src.skip_input_data = SkipInputData;
        src.resync_to_restart = jpeg_resync_to_restart;
        src.term_source = [](j_decompress_ptr) {};
        src.next_input_byte = reinterpret_cast<const JOCTET*>(input->constData());
        src.bytes_in_buffer = static_cast<size_t>(input->size());
        d.src = &src;
        if (withProgress) d.progress = &progress;
    }

    void CreateCompress() {
        compressing = true;
        Run([this] { jpeg_CreateCompress(&c, JPEG_LIB_VERSION, sizeof c); });
        dest.init_destination = InitDestination;
        dest.empty_output_buffer = EmptyOutputBuffer;
        dest.term_destination = TermDestination;
        c.dest = &dest;
        c.progress = &progress;
    }

    // Calls a callback of ours from inside the library, turning an exception into a jump.
    template <class F> static void Callback(j_common_ptr cinfo, F&& f) {
        auto* s = static_cast<JpegSession*>(cinfo->client_data);
        bool failed = false;
        try {
            f(*s);
        } catch (...) {
            s->pending = std::current_exception();
            failed = true;
        }
        if (failed) std::longjmp(s->err.jump, 1);
    }

    static void ErrorExit(j_common_ptr cinfo) {
        std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
    }
    // Warnings (a truncated or slightly damaged file) are counted, never shown: libjpeg
    // decodes such files as far as it can.
    static void EmitMessage(j_common_ptr cinfo, int level) {
        if (level < 0) ++cinfo->err->num_warnings;
    }
    static void OutputMessage(j_common_ptr) {}
    static void ResetErrorManager(j_common_ptr cinfo) {
        cinfo->err->num_warnings = 0;
        cinfo->err->msg_code = 0;
    }

    static boolean FillInputBuffer(j_decompress_ptr cinfo) {
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        auto* s = static_cast<JpegSession*>(cinfo->client_data);
        if (s->input->isEmpty()) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        cinfo->src->next_input_byte = kEndOfImage;
        cinfo->src->bytes_in_buffer = 2;
        return TRUE;
    }
    static void SkipInputData(j_decompress_ptr cinfo, long count) {
        if (count <= 0) return;
        jpeg_source_mgr* source = cinfo->src;
        if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
            FillInputBuffer(cinfo);
            return;
        }
        source->next_input_byte += count;
        source->bytes_in_buffer -= static_cast<size_t>(count);
    }

    static void InitDestination(j_compress_ptr cinfo) {
        Callback(reinterpret_cast<j_common_ptr>(cinfo), [cinfo](JpegSession& s) {
            s.output.resize(64 * 1024);
            cinfo->dest->next_output_byte = reinterpret_cast<JOCTET*>(s.output.data());
            cinfo->dest->free_in_buffer = static_cast<size_t>(s.output.size());
        });
    }
    static boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
        Callback(reinterpret_cast<j_common_ptr>(cinfo), [cinfo](JpegSession& s) {
            const qsizetype used = s.output.size();
            s.output.resize(used * 2);
            cinfo->dest->next_output_byte = reinterpret_cast<JOCTET*>(s.output.data()) + used;
            cinfo->dest->free_in_buffer = static_cast<size_t>(used);
        });
        return TRUE;
    }
    static void TermDestination(j_compress_ptr cinfo) {
        auto* s = static_cast<JpegSession*>(cinfo->client_data);
        s->output.truncate(s->output.size() - static_cast<qsizetype>(cinfo->dest->free_in_buffer));
    }

    static void ProgressMonitor(j_common_ptr cinfo) {
        if (cinfo->is_decompressor &&
            reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
            ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, kMaxJpegScans);
        Callback(cinfo, [](JpegSession& s) { s.owner->ReportProgress(s); });
    }

    JpegErrorManager err{};
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    jpeg_source_mgr src{};
    jpeg_destination_mgr dest{};
    jpeg_progress_mgr progress{};
    TJPEGImage* owner;
    const QByteArray* input = nullptr;
    QByteArray output;
    bool compressing = false;
    std::exception_ptr pending;

    // Progress throttle.
    QElapsedTimer clock;
    bool ticked = false;
    qint64 lastTick = 0;
    int lastPercent = -1;
    int lastRow = 0;
};

namespace {

struct DecodeSettings {
    TJPEGScale scale;
    bool blockSmoothing;
    bool grayOutput;
    TJPEGOutputDepth depth;
    TJPEGDecodeSpeed speed;
};

bool IsCmyk(const jpeg_decompress_struct& d) {
    return d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK;
}

// Decode parameters after the header: plain field settings, safe inside a step.
void ApplySettings(jpeg_decompress_struct& d, const DecodeSettings& s) {
    d.scale_num = 1;
    d.scale_denom = 1u << s.scale;
    d.do_block_smoothing = s.blockSmoothing;
    if (IsCmyk(d)) {
        // libjpeg offers no conversion from ink to light: we convert CMYK rows ourselves.
        d.out_color_space = JCS_CMYK;
    } else {
        if (s.grayOutput) d.out_color_space = JCS_GRAYSCALE;
        // Three components arrive blue, green, red: the bitmap's own byte order.
        else if (d.out_color_space != JCS_GRAYSCALE)
            d.out_color_space = JCS_EXT_BGR;
        if (s.depth == od8Bit || d.out_color_space == JCS_GRAYSCALE) {
            d.quantize_colors = TRUE;
            d.desired_number_of_colors = kColors;
        }
    }
    if (s.speed == dsBestSpeed) {
        d.dct_method = JDCT_IFAST;
        d.two_pass_quantize = FALSE;
        d.dither_mode = JDITHER_ORDERED;
    }
}

QList<QRgb> PaletteFromColorMap(const jpeg_decompress_struct& d) {
    QList<QRgb> palette;
    if (!d.colormap) return palette;
    for (int i = 0; i < d.actual_number_of_colors; ++i) {
        if (d.out_color_components == 1) {
            const int v = d.colormap[0][i];
            palette << qRgb(v, v, v);
        } else {
            palette << qRgb(d.colormap[2][i], d.colormap[1][i], d.colormap[0][i]);
        }
    }
    return palette;
}

// Adobe's files store CMYK inverted (255 is no ink); files without its marker store ink.
void CmykToBgr(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[0] = static_cast<uchar>((y * k + 127) / 255);
        out[1] = static_cast<uchar>((m * k + 127) / 255);
        out[2] = static_cast<uchar>((c * k + 127) / 255);
    }
}

// Reads every remaining row of the output pass into rows; CMYK rows pass through a small
// buffer of their own to become blue, green, red.
void ReadRows(JpegSession& s, std::vector<JSAMPROW>& rows, std::vector<JSAMPLE>& cmyk,
              std::vector<JSAMPROW>& cmykRows) {
    jpeg_decompress_struct& d = s.d;
    if (cmyk.empty()) {
        s.Run([&] {
            while (d.output_scanline < d.output_height)
                jpeg_read_scanlines(&d, rows.data() + d.output_scanline,
                                    d.output_height - d.output_scanline);
        });
        return;
    }
    s.Run([&] {
        const bool inverted = d.saw_Adobe_marker;
        while (d.output_scanline < d.output_height) {
            const JDIMENSION first = d.output_scanline;
            const JDIMENSION n =
                jpeg_read_scanlines(&d, cmykRows.data(), static_cast<JDIMENSION>(cmykRows.size()));
            for (JDIMENSION i = 0; i < n; ++i)
                CmykToBgr(cmykRows[i], rows[first + i], d.output_width, inverted);
        }
    });
}

} // namespace

// ---- The picture ----------------------------------------------------------------------

TJPEGImage::TJPEGImage(QObject* parent)
    : TGraphic(parent), data_(std::make_shared<TJPEGData>()),
      blockSmoothing_(JPEGDefaultSettings.BlockSmoothing),
      grayOutput_(JPEGDefaultSettings.GrayOutput), outputDepth_(JPEGDefaultSettings.OutputDepth),
      saveQuality_(JPEGDefaultSettings.SaveQuality), showPasses_(JPEGDefaultSettings.ShowPasses),
      progressive_(JPEGDefaultSettings.Progressive), decodeSpeed_(JPEGDefaultSettings.DecodeSpeed),
      scaleDown_(JPEGDefaultSettings.ScaleDown) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::NewData() {
    data_ = std::make_shared<TJPEGData>();
    needRecalc_ = true;
}

void TJPEGImage::FreeBitmap() {
    bitmap_.reset();
}

bool TJPEGImage::Empty() const {
    return data_->bytes.isEmpty() && (!bitmap_ || bitmap_->Empty());
}

int TJPEGImage::Width() const {
    if (bitmap_) return bitmap_->Width();
    if (scaleDown_ == sdFull) return data_->width;
    CalcScaledSize();
    return scaledWidth_;
}

int TJPEGImage::Height() const {
    if (bitmap_) return bitmap_->Height();
    if (scaleDown_ == sdFull) return data_->height;
    CalcScaledSize();
    return scaledHeight_;
}

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphicOperation(SysConst::Text(SChangeJPEGSize));
}
void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphicOperation(SysConst::Text(SChangeJPEGSize));
}

void TJPEGImage::CalcScaledSize() const {
    if (!needRecalc_) return;
    needRecalc_ = false;
    const int denominator = 1 << scaleDown_;
    scaledWidth_ = (data_->width + denominator - 1) / denominator;
    scaledHeight_ = (data_->height + denominator - 1) / denominator;
    if (data_->bytes.isEmpty()) return;
    // libjpeg's own rounding, with the settings a decode would use.
    JpegSession s(const_cast<TJPEGImage*>(this));
    const DecodeSettings settings{scaleDown_, blockSmoothing_, grayOutput_, outputDepth_,
                                  decodeSpeed_};
    bool multiScan = progressive_;
    const QByteArray bytes = data_->bytes;
    try {
        s.CreateDecompress(&bytes, false);
        s.Run([&] {
            jpeg_read_header(&s.d, TRUE);
            ApplySettings(s.d, settings);
            jpeg_calc_output_dimensions(&s.d);
            multiScan = jpeg_has_multiple_scans(&s.d);
        });
    } catch (const EJPEG&) {
        return; // an unreadable header keeps the estimate; decoding reports the error
    }
    scaledWidth_ = static_cast<int>(s.d.output_width);
    scaledHeight_ = static_cast<int>(s.d.output_height);
    progressive_ = multiScan;
}

void TJPEGImage::ReadHeader() {
    JpegSession s(this);
    const QByteArray bytes = data_->bytes;
    bool multiScan = false;
    s.CreateDecompress(&bytes, false);
    s.Run([&] {
        jpeg_read_header(&s.d, TRUE);
        multiScan = jpeg_has_multiple_scans(&s.d);
    });
    data_->width = static_cast<int>(s.d.image_width);
    data_->height = static_cast<int>(s.d.image_height);
    data_->grey = s.d.jpeg_color_space == JCS_GRAYSCALE;
    progressive_ = multiScan;
}

void TJPEGImage::LoadFromStream(QIODevice& stream) {
    const qint64 n = stream.isSequential() ? -1 : stream.size() - stream.pos();
    const QByteArray bytes = n < 0 ? stream.readAll() : stream.read(std::max<qint64>(n, 0));
    if (n > 0 && bytes.size() != n) throw EReadError(SysConst::Text(SReadError));
    NewData();
    FreeBitmap();
    data_->bytes = bytes;
    data_->hasBytes = true;
    if (!bytes.isEmpty()) ReadHeader();
    // A picture too large to decode is refused as it is read, not left off where it
    // would be drawn.
    if (static_cast<int64_t>(data_->width) * data_->height > kMaxBitmapPixels)
        throw EJPEG(JERR_IMAGE_TOO_BIG, Translate("SysConst", "%1 x %2 pixels, more than %3")
                                            .arg(data_->width)
                                            .arg(data_->height)
                                            .arg(kMaxBitmapPixels));
    paletteModified_ = true;
    Changed(this);
}

void TJPEGImage::SaveToStream(QIODevice& stream) {
    if (!data_->hasBytes) Compress();
    if (stream.write(data_->bytes) != data_->bytes.size())
        throw EStreamError(SysConst::Text(SWriteError));
}

void TJPEGImage::ReadData(QIODevice& stream) {
    uchar count[4];
    if (stream.read(reinterpret_cast<char*>(count), 4) != 4)
        throw EReadError(SysConst::Text(SReadError));
    const uint32_t n = qFromLittleEndian<uint32_t>(count);
    QByteArray bytes = stream.read(n);
    if (static_cast<uint32_t>(bytes.size()) != n) throw EReadError(SysConst::Text(SReadError));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
}

void TJPEGImage::WriteData(QIODevice& stream) {
    const QByteArray& bytes = data_->bytes;
    uchar count[4];
    qToLittleEndian<uint32_t>(data_->hasBytes ? static_cast<uint32_t>(bytes.size()) : 0, count);
    if (stream.write(reinterpret_cast<const char*>(count), 4) != 4 ||
        (data_->hasBytes && stream.write(bytes) != bytes.size()))
        throw EStreamError(SysConst::Text(SWriteError));
}

void TJPEGImage::Draw(TCanvas& canvas, const QRect& rect) {
    // Pages, PDF files and printers take the compressed bytes (a page or a PDF file keeps
    // them as they are; a printer decodes at its own resolution); the screen takes the
    // bitmap, decoded once and kept for the next paint.
    TDeviceContext* dc = canvas.Handle();
    if (dc && data_->hasBytes && !grayOutput_) {
        // The header looked at holds the bytes it was read from: the same buffer is the
        // same picture.
        if (!jpeg_ || jpeg_->bytes.constData() != data_->bytes.constData())
            jpeg_ = InspectJpeg(data_->bytes);
        if (jpeg_ && dc->StretchJpeg(rect, *jpeg_)) return;
    }
    canvas.StretchDraw(rect, Bitmap());
}

TBitmap* TJPEGImage::Bitmap() {
    Decode();
    return bitmap_.get();
}

void TJPEGImage::JPEGNeeded() {
    if (!data_->hasBytes) Compress();
}

void TJPEGImage::Progress(TProgressStage stage, int percent, bool redraw, const QRect& r) {
    if (OnProgress) OnProgress(this, stage, percent, redraw, r, QString());
}

void TJPEGImage::ReportProgress(JpegSession& s) {
    const qint64 now = s.clock.elapsed();
    if (!s.ticked) {
        s.ticked = true;
        s.lastTick = now;
        return;
    }
    if (now - s.lastTick < JPEGProgressInterval) return;
    s.lastTick = now;
    const jpeg_progress_mgr& p = s.progress;
    const double fraction =
        p.pass_limit > 0 ? static_cast<double>(p.pass_counter) / p.pass_limit : 0.0;
    const int percent =
        static_cast<int>((fraction + p.completed_passes) * 100 / std::max(1, p.total_passes));
    if (percent == s.lastPercent) return;
    s.lastPercent = percent;
    QRect rows;
    if (!s.compressing) {
        const int scan = static_cast<int>(s.d.output_scanline);
        if (scan < s.lastRow) s.lastRow = 0; // a new output pass
        rows = QRect(0, s.lastRow, static_cast<int>(s.d.output_width), scan - s.lastRow);
        s.lastRow = scan;
    }
    Progress(psRunning, percent, rows.height() > 3, rows);
}

void TJPEGImage::Decode() {
    if (bitmap_) return;
    // Kept at once, so that a failed decode is not tried again.
    bitmap_ = std::make_unique<TBitmap>();
    TBitmap* bitmap = bitmap_.get();
    const QByteArray bytes = data_->bytes;
    const DecodeSettings settings{scaleDown_, blockSmoothing_, grayOutput_, outputDepth_,
                                  decodeSpeed_};
    JpegSession s(this);
    jpeg_decompress_struct& d = s.d;
    std::exception_ptr failure;
    bool rowsDefined = false; // every row of the bitmap has been written at least once
    try {
        s.CreateDecompress(&bytes, true);
        J_DCT_METHOD finalDct{};
        J_DITHER_MODE finalDither{};
        bool finalTwoPass = false;
        bool buffered = false;
        s.Run([&] {
            jpeg_read_header(&d, TRUE);
            ApplySettings(d, settings);
            finalDct = d.dct_method;
            finalTwoPass = d.two_pass_quantize;
            finalDither = d.dither_mode;
            if (showPasses_ && jpeg_has_multiple_scans(&d)) {
                // Quick passes while the scans arrive, the chosen quality for the last one.
                d.enable_2pass_quant = d.two_pass_quantize;
                d.dct_method = JDCT_IFAST;
                d.two_pass_quantize = FALSE;
                d.dither_mode = JDITHER_ORDERED;
                d.buffered_image = TRUE;
                buffered = true;
            }
            jpeg_calc_output_dimensions(&d);
        });
        if (static_cast<int64_t>(d.image_width) * d.image_height > kMaxBitmapPixels ||
            static_cast<int64_t>(d.output_width) * d.output_height > kMaxBitmapPixels)
            throw EJPEG(JERR_IMAGE_TOO_BIG);
        const bool cmyk = IsCmyk(d);
        const bool eightBit = d.quantize_colors;
        Progress(psStarting, 0, false, QRect());

        bool outsidePalette = false;
        if (tempPalette_ && outputDepth_ == od8Bit && eightBit && d.out_color_components == 3) {
            // Decode straight onto the palette the screen already shows.
            const int count = static_cast<int>(std::min<qsizetype>(tempPalette_->size(), 256));
            std::array<JSAMPLE, 3 * 256> map{};
            for (int i = 0; i < count; ++i) {
                const QRgb c = (*tempPalette_)[i];
                map[3 * i] = static_cast<JSAMPLE>(qBlue(c));
                map[3 * i + 1] = static_cast<JSAMPLE>(qGreen(c));
                map[3 * i + 2] = static_cast<JSAMPLE>(qRed(c));
            }
            if (count > 0) {
                s.Run([&] {
                    d.colormap =
                        (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(count), 3);
                    for (int i = 0; i < count; ++i)
                        for (int k = 0; k < 3; ++k)
                            d.colormap[k][i] = map[3 * i + k];
                    d.actual_number_of_colors = count;
                });
                outsidePalette = true;
            }
        } else if (tempPalette_ && outputDepth_ == od24Bit) {
            tempPalette_.reset();
        }

        s.Run([&] { jpeg_start_decompress(&d); });
        const int width = static_cast<int>(d.output_width),
                  height = static_cast<int>(d.output_height);
        bitmap->SetImage(
            QImage(width, height, eightBit ? QImage::Format_Indexed8 : QImage::Format_BGR888),
            eightBit ? pf8bit : pf24bit);
        if (bitmap->Empty())
            throw EOutOfResources(Translate("SysConst", "Out of system resources"));
        if (outsidePalette) bitmap->SetPalette(*tempPalette_);
        std::vector<JSAMPROW> rows(static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            rows[static_cast<size_t>(y)] = bitmap->ScanLine(y);
        std::vector<JSAMPLE> cmykBuffer;
        std::vector<JSAMPROW> cmykRows;
        if (cmyk) {
            const size_t n = static_cast<size_t>(std::max(1, d.rec_outbuf_height));
            cmykBuffer.resize(n * d.output_width * 4);
            for (size_t i = 0; i < n; ++i)
                cmykRows.push_back(cmykBuffer.data() + i * d.output_width * 4);
        }
        auto takePalette = [&] {
            if (!eightBit || outsidePalette || !d.colormap) return;
            bitmap->SetPalette(PaletteFromColorMap(d));
            paletteModified_ = true;
        };

        if (buffered) {
            bool first = true;
            for (;;) {
                bool complete = false;
                s.Run([&] { complete = jpeg_input_complete(&d); });
                if (complete) break;
                s.Run([&] { jpeg_start_output(&d, d.input_scan_number); });
                if (first) takePalette();
                ReadRows(s, rows, cmykBuffer, cmykRows);
                first = false;
                rowsDefined = true;
                s.Run([&] { jpeg_finish_output(&d); });
            }
            d.dct_method = finalDct;
            d.dither_mode = finalDither;
            if (finalTwoPass && eightBit) {
                d.two_pass_quantize = TRUE;
                d.colormap = nullptr;
            }
            s.Run([&] { jpeg_start_output(&d, d.input_scan_number); });
        }
        if (!buffered || (finalTwoPass && eightBit)) takePalette();
        ReadRows(s, rows, cmykBuffer, cmykRows);
        rowsDefined = true;
        if (buffered) s.Run([&] { jpeg_finish_output(&d); });
        s.Run([&] { jpeg_finish_decompress(&d); });
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !rowsDefined && !bitmap->Empty()) {
        // Rows the decoder never reached show black rather than what the memory held.
        const int from = std::min<int>(static_cast<int>(d.output_scanline), bitmap->Height());
        for (int y = from; y < bitmap->Height(); ++y)
            std::memset(bitmap->ScanLine(y), 0, static_cast<size_t>(bitmap->BytesPerLine()));
    }
    try {
        Progress(psEnding, failure ? 0 : 100, paletteModified_, QRect());
        if (paletteModified_) Changed(this);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
}

void TJPEGImage::Compress() {
    if (data_->hasBytes) NewData();
    JpegSession s(this);
    jpeg_compress_struct& c = s.c;
    try {
        s.CreateCompress();
        const bool hasPicture = bitmap_ && !bitmap_->Empty();
        bool grey = false;
        if (hasPicture) {
            // A 24-bit copy, fed as blue, green, red rows.
            QImage copy = bitmap_->Image().convertToFormat(QImage::Format_BGR888);
            const int w = copy.width(), h = copy.height();
            std::vector<JSAMPROW> rows(static_cast<size_t>(h));
            for (int y = 0; y < h; ++y)
                rows[static_cast<size_t>(y)] = copy.scanLine(y);
            data_->width = w;
            data_->height = h;
            grey = grayOutput_;
            const int quality = saveQuality_;
            const bool progressive = progressive_;
            Progress(psStarting, 0, false, QRect());
            s.Run([&] {
                c.image_width = static_cast<JDIMENSION>(w);
                c.image_height = static_cast<JDIMENSION>(h);
                c.input_components = 3;
                c.in_color_space = JCS_EXT_BGR;
                jpeg_set_defaults(&c);
                jpeg_set_quality(&c, quality, TRUE);
                if (grey) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
                if (progressive) jpeg_simple_progression(&c);
                jpeg_start_compress(&c, TRUE);
                while (c.next_scanline < c.image_height)
                    jpeg_write_scanlines(&c, rows.data() + c.next_scanline,
                                         c.image_height - c.next_scanline);
                jpeg_finish_compress(&c);
            });
            Progress(psEnding, 100, false, QRect());
        }
        data_->bytes = s.output;
        data_->hasBytes = true;
        data_->grey = grey;
    } catch (...) {
        NewData(); // half-written data are never kept
        throw;
    }
}

void TJPEGImage::Assign(TPersistent* source) {
    if (auto* j = qobject_cast<TJPEGImage*>(source)) {
        if (j == this) return;
        data_ = j->data_;
        needRecalc_ = true;
        progressive_ = j->progressive_;
        // A bitmap decoded from other data would not match the data now held.
        FreeBitmap();
        if (j->bitmap_) {
            auto copy = std::make_unique<TBitmap>();
            copy->Assign(j->bitmap_.get());
            bitmap_ = std::move(copy);
        }
        paletteModified_ = true;
        Changed(this);
        return;
    }
    if (auto* b = qobject_cast<TBitmap*>(source)) {
        NewData();
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(b);
        bitmap_ = std::move(copy);
        paletteModified_ = true;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest) {
    if (auto* b = qobject_cast<TBitmap*>(dest)) {
        b->Assign(Bitmap());
        return;
    }
    TGraphic::AssignTo(dest);
}

bool TJPEGImage::Equals(const TGraphic* other) const {
    const auto* j = qobject_cast<const TJPEGImage*>(other);
    return j && j->data_ == data_;
}

QList<QRgb> TJPEGImage::Palette() {
    if (bitmap_) return bitmap_->Palette();
    if (tempPalette_) return *tempPalette_;
    if (outputDepth_ == od24Bit && ScreenBitsPerPixel() <= 8) {
        tempPalette_ = HalftonePalette();
        return *tempPalette_;
    }
    return {};
}

void TJPEGImage::SetPalette(const QList<QRgb>& palette) {
    if (tempPalette_ ? *tempPalette_ == palette : palette.isEmpty()) return;
    bool dropped = false;
    // The bitmap is decoded again onto the new palette, unless it is the only copy.
    if (bitmap_ && data_->hasBytes && !data_->bytes.isEmpty() && bitmap_->Palette() != palette) {
        FreeBitmap();
        dropped = true;
    }
    if (palette.isEmpty())
        tempPalette_.reset();
    else
        tempPalette_ = palette;
    if (dropped) {
        paletteModified_ = true;
        Changed(this);
    }
}

void TJPEGImage::DecodeSettingsChanged() {
    needRecalc_ = true;
    if (bitmap_ && !data_->bytes.isEmpty()) FreeBitmap();
    Changed(this);
}

void TJPEGImage::SetBlockSmoothing(bool b) {
    if (b == blockSmoothing_) return;
    blockSmoothing_ = b;
    DecodeSettingsChanged();
}

void TJPEGImage::SetGrayOutput(bool g) {
    if (g == grayOutput_) return;
    grayOutput_ = g;
    DecodeSettingsChanged();
}

void TJPEGImage::SetOutputDepth(TJPEGOutputDepth d) {
    if (d == outputDepth_) return;
    outputDepth_ = d;
    DecodeSettingsChanged();
}

void TJPEGImage::SetDecodeSpeed(TJPEGDecodeSpeed s) {
    if (s == decodeSpeed_) return;
    decodeSpeed_ = s;
    DecodeSettingsChanged();
}

void TJPEGImage::SetScaleDown(TJPEGScale s) {
    if (s == scaleDown_) return;
    scaleDown_ = s;
    DecodeSettingsChanged();
}

void TJPEGImage::SetSaveQuality(int q) {
    if (q < 1 || q > 100) return;
    saveQuality_ = q;
}

void TJPEGImage::SetProgressive(bool p) {
    progressive_ = p;
}

void RegisterJPEGFormats() {
    if (ScreenBitsPerPixel() <= 8) JPEGDefaultSettings.OutputDepth = od8Bit;
    const QString description = LoadStr(kJPEGDescription);
    RegisterFileFormat(QStringLiteral("jpeg"), description,
                       [] { return std::make_unique<TJPEGImage>(); });
    RegisterFileFormat(QStringLiteral("jpg"), description,
                       [] { return std::make_unique<TJPEGImage>(); });
}

void UnregisterJPEGFormats() {
    UnregisterFileFormat(QStringLiteral("jpeg"));
    UnregisterFileFormat(QStringLiteral("jpg"));
}
