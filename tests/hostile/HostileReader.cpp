// A reader fooled by its file: the file's first word says what it does instead of decoding. Built as the
// module of the format every unrecognised file goes to, so that the program's own loads bring it these
// files, and each act can be shown to end as a report, done or not.
#include "desktop/MessageChannel.h"
#include "desktop/SharedPixels.h"
#include "picture/DecoderMessage.h"
#include "picture/PictureFailures.h"
#include "picture/formats/FormatModule.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace picture {

namespace {

// What a reader that did what it was told hands back: a picture, which no test of a refused act expects.
DecodedPicture done(LoadBudget::Claim& claim) {
    DecodedPicture decoded;
    decoded.image = claim.rgb32(3, 2);
    decoded.image.fill(0xffff0000);
    return decoded;
}

// Says to the window, over the channel its helper talks on, what the helper never would.
void tellWindow(const DecoderMessage& message, int descriptor = -1) {
    const desktop::MessageChannel window{desktop::Descriptor(dup(3))};
    window.send(message.encoded(), descriptor);
}

bool connected(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

struct HostileReader {
    static DecodedPicture decode(QIODevice& file, LoadBudget::Claim& claim, Progress&) {
        const QList<QByteArray> words = file.readAll().trimmed().split(' ');
        const QByteArray act = words.value(0);
        const QByteArray what = words.value(1);
        if (act == "picture")
            return done(claim);
        if (act == "crash")
            *static_cast<volatile int*>(nullptr) = 1;
        if (act == "abort")
            std::abort();
        if (act == "loop")
            for (volatile int turn = 0;;)
                turn = 1 - turn;
        if (act == "allocate") {
            std::vector<std::unique_ptr<char[]>> held;
            for (;;) {
                held.push_back(std::make_unique<char[]>(64 << 20));
                std::memset(held.back().get(), 1, 64 << 20);
            }
        }
        if (act == "read") {
            QFile other(QString::fromLocal8Bit(what));
            if (other.open(QIODevice::ReadOnly) && !other.readAll().isEmpty())
                return done(claim);
        }
        if (act == "connect" && connected(what.toInt()))
            return done(claim);
        if (act == "run") {
            execl("/bin/sh", "sh", "-c", ("echo ran > " + what).constData(), nullptr);
            return done(claim);
        }
        if (act == "garble") {
            write(3, "\x07\x00\x00\x00", 4);
            return done(claim);
        }
        if (act == "unclaimed") {
            DecoderMessage pixels;
            pixels.kind = DecoderMessage::Kind::pixels;
            pixels.size = QSize(4000, 4000);
            pixels.format = QImage::Format_RGB32;
            pixels.bytesPerLine = 16000;
            desktop::SharedPixels made = desktop::SharedPixels::make(pixels.size, QImage::Format_RGB32);
            tellWindow(pixels, made.descriptor());
            return done(claim);
        }
        if (act == "outside") {
            DecodedPicture decoded = done(claim);
            DecoderMessage final;
            final.kind = DecoderMessage::Kind::final;
            final.format = QImage::Format_RGB32;
            final.area = QRect(0, 0, 30, 20);
            tellWindow(final);
            return decoded;
        }
        invalidPicture();
    }
};

} // namespace picture

KESTRELLE_FORMAT_MODULE(picture::HostileReader)
