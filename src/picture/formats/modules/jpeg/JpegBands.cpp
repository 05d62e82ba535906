#include "picture/formats/modules/jpeg/JpegBands.h"

#include <QtEndian>

#include <algorithm>
#include <cstdio>

#include <jpeglib.h>

namespace picture {

namespace {

// A band has at least this many intervals, so that the interval it decodes above its rows is at most a
// quarter of its work.
constexpr int minIntervalsPerBand = 4;

// Where the frame's height is in the headers before the scan, for the sequential Huffman frames that
// are cut into bands; -1 when there is none.
qsizetype frameHeightAt(QByteArrayView header) {
    qsizetype at = 2; // after the start of image
    while (at + 7 <= header.size() && quint8(header[at]) == 0xFF) {
        const quint8 code = quint8(header[at + 1]);
        if (code == 0xFF) { // fill before a marker
            ++at;
            continue;
        }
        if (code == 0xC0 || code == 0xC1)
            return at + 5;
        at += 2 + qFromBigEndian<quint16>(header.data() + at + 2);
    }
    return -1;
}

// Where the data after each of the first `count` restart markers begins, the marker after interval i
// being RSTn with n = i mod 8; nothing when one is missing or out of turn. 0xFF 0x00 is a coded 0xFF, and
// any 0xFF may be followed by more as fill.
std::vector<qsizetype> restartEnds(QByteArrayView file, qsizetype from, int count) {
    std::vector<qsizetype> ends;
    qsizetype at = from;
    while (int(ends.size()) < count) {
        at = file.indexOf('\xFF', at);
        if (at < 0)
            return {};
        while (at < file.size() && quint8(file[at]) == 0xFF)
            ++at;
        if (at == file.size())
            return {};
        const quint8 code = quint8(file[at++]);
        if (code == 0)
            continue;
        if (code != JPEG_RST0 + int(ends.size() & 7))
            return {};
        ends.push_back(at);
    }
    return ends;
}

} // namespace

int JpegBands::intervalRows(const jpeg_decompress_struct& info) {
    if (info.progressive_mode || info.arith_code || info.restart_interval == 0 ||
        info.comps_in_scan != info.num_components)
        return 0;
    // A scan of one component has an MCU of one block; an interleaved scan, a block of each.
    const bool interleaved = info.comps_in_scan > 1;
    const unsigned mcuWidth = interleaved ? unsigned(info.max_h_samp_factor) * DCTSIZE : DCTSIZE;
    const int mcuHeight = interleaved ? info.max_v_samp_factor * DCTSIZE : DCTSIZE;
    const unsigned mcusPerRow = (info.image_width + mcuWidth - 1) / mcuWidth;
    if (info.restart_interval % mcusPerRow != 0)
        return 0;
    const int rows = int(info.restart_interval / mcusPerRow) * mcuHeight;
    return rows % (info.max_v_samp_factor * DCTSIZE) == 0 ? rows : 0;
}

std::vector<JpegBand> JpegBands::cut(const jpeg_decompress_struct& info, const QByteArray& file,
                                     qsizetype dataStart, int count) {
    const int rows = intervalRows(info);
    if (rows == 0 || dataStart > file.size())
        return {};
    const int height = int(info.image_height);
    const int intervals = (height + rows - 1) / rows;
    count = std::min(count, intervals / minIntervalsPerBand);
    const qsizetype heightAt = frameHeightAt(QByteArrayView(file).first(dataStart));
    if (count < 2 || heightAt < 0)
        return {};
    // The interval each band's rows begin at; its decode begins at the one before.
    std::vector<int> firsts;
    for (int b = 0; b <= count; ++b)
        firsts.push_back(b * intervals / count);
    const std::vector<qsizetype> ends = restartEnds(file, dataStart, firsts[count - 1] - 1);
    if (ends.empty())
        return {};
    std::vector<JpegBand> bands;
    for (int b = 0; b < count; ++b) {
        const int from = std::max(firsts[b] - 1, 0);
        JpegBand band;
        band.top = firsts[b] * rows;
        band.rows = std::min(firsts[b + 1] * rows, height) - band.top;
        band.discard = band.top - from * rows;
        band.last = b == count - 1;
        band.header = file.left(dataStart);
        qToBigEndian(quint16(height - from * rows), band.header.data() + heightAt);
        band.dataStart = from == 0 ? dataStart : ends[size_t(from - 1)];
        band.skippedIntervals = from;
        bands.push_back(std::move(band));
    }
    return bands;
}

} // namespace picture
