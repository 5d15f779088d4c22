// The decisions on an update server's answer: its status, whether it
// announced a length, how many bytes came and whether the transfer ended
// well, and the body. Checked: a version text is the body up to its first
// zero byte and only from a whole success answer; an error status with a
// length fails with its number in the message; a download is whole exactly
// when a success status announced the length that arrived; the progress
// caption is a number and a percent sign.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "update/UpdateRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes bytes(data, size);
    HttpResponse response;
    response.transferred = bytes.flag();
    response.status = int(std::int16_t(bytes.number(2)));
    if (bytes.flag())
        response.contentLength = qint64(bytes.number(8));
    const QByteArray body = bytes.rest();
    // Mostly what came, now and then a count that disagrees.
    response.received = bytes.flag() ? qint64(bytes.number(8)) : body.size();

    const bool success = response.status >= 200 && response.status < 300;
    const bool whole = isCompleteDownload(response);
    FUZZ_REQUIRE(whole == (response.transferred && success && response.contentLength
                           && *response.contentLength == response.received));
    try {
        const QString version = versionAnswer(response, body);
        FUZZ_REQUIRE(version.isEmpty() || whole);
        if (whole && response.status != 0) {
            const qsizetype zero = body.indexOf('\0');
            FUZZ_REQUIRE(version == QString::fromLatin1(zero < 0 ? body : body.left(zero)));
        }
    } catch (const Failure &failure) {
        FUZZ_REQUIRE(!success && response.status != 0 && response.contentLength);
        FUZZ_REQUIRE(failure.text().contains(QString::number(response.status)));
    }

    const qint64 written = qint64(bytes.number(8) >> 1);
    const qint64 length = response.contentLength.value_or(body.size());
    const QString caption = progressCaption(written, length);
    FUZZ_REQUIRE(caption.endsWith(u'%'));
    bool number = false;
    const double percent = caption.chopped(1).toDouble(&number);
    FUZZ_REQUIRE(number && percent >= 0);
    if (length > 0 && written <= length)
        FUZZ_REQUIRE(percent <= 100);
    return 0;
}
