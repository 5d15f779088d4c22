#include "update/HttpGet.h"

#include "common/LibraryOnDemand.h"

#include <QCoreApplication>
#include <QUrl>
#include <curl/curl.h>
#include <exception>
#include <memory>

namespace {

#define BILVARO_CURL_FUNCTIONS(F)                                                                             \
    F(curl_easy_init) F(curl_easy_setopt) F(curl_easy_getinfo) F(curl_easy_cleanup) F(curl_slist_append)      \
    F(curl_slist_free_all) F(curl_multi_init) F(curl_multi_add_handle) F(curl_multi_perform)                  \
    F(curl_multi_poll) F(curl_multi_info_read) F(curl_multi_remove_handle) F(curl_multi_cleanup)

struct Curl {
    BILVARO_CURL_FUNCTIONS(BILVARO_FUNCTION_POINTER)
};

const Curl &curl()
{
    // A failed load throws out of the initialisation, so the next call tries again.
    static const Curl loaded =
        BILVARO_LINKED_OR_LOADED(BILVARO_CURL_LINKED, Curl, BILVARO_CURL_FUNCTIONS, "libcurl", 4, "обновяването");
    return loaded;
}

// How long the request waits on the network at most before the event loop
// turns again: what a repaint or the cancel button may wait.
constexpr int TurnMs = 10;

// One request: libcurl's handles, freed whichever way the request ends.
struct Transfer {
    Transfer()
        : easy(curl().curl_easy_init(), curl().curl_easy_cleanup),
          multi(curl().curl_multi_init(), curl().curl_multi_cleanup)
    {
    }
    ~Transfer()
    {
        if (added)
            curl().curl_multi_remove_handle(multi.get(), easy.get());
        curl().curl_slist_free_all(headers);
    }
    std::unique_ptr<CURL, decltype(curl().curl_easy_cleanup)> easy;
    std::unique_ptr<CURLM, decltype(curl().curl_multi_cleanup)> multi;
    curl_slist *headers = nullptr;
    bool added = false;
};

// What the write callback works with.
struct Receiving {
    const std::function<bool(const HttpResponse &, QByteArrayView)> &consume;
    CURL *easy;
    HttpResponse response;
    QDeadlineTimer quiet;
    int inactivityMs;
    bool stopped = false;
    // A failure of the consumer stops the transfer and is thrown again once
    // the request has ended: nothing may cross libcurl's C code.
    std::exception_ptr failure;

    void readHead()
    {
        long status = 0;
        curl().curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        response.status = int(status);
        curl_off_t length = -1;
        curl().curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length >= 0)
            response.contentLength = qint64(length);
    }

    static size_t write(char *data, size_t, size_t size, void *self)
    {
        return static_cast<Receiving *>(self)->take(QByteArrayView(data, qsizetype(size))) ? size
                                                                                            : CURL_WRITEFUNC_ERROR;
    }
    static size_t header(char *, size_t, size_t size, void *self)
    {
        static_cast<Receiving *>(self)->heardFrom();
        return size;
    }
    void heardFrom() { quiet.setRemainingTime(inactivityMs); }

    bool take(QByteArrayView data)
    {
        heardFrom();
        readHead();
        for (qsizetype at = 0; at < data.size() && !stopped; at += 1024) {
            const QByteArrayView block = data.sliced(at, qMin<qsizetype>(1024, data.size() - at));
            response.received += block.size();
            try {
                stopped = !consume(response, block);
            } catch (...) {
                failure = std::current_exception();
                stopped = true;
            }
        }
        return !stopped;
    }
};

template<typename Value>
void set(CURL *easy, CURLoption option, Value value)
{
    curl().curl_easy_setopt(easy, option, value);
}

void setUp(Transfer &transfer, const QByteArray &url, Receiving &receiving, int inactivityMs)
{
    CURL *easy = transfer.easy.get();
    set(easy, CURLOPT_URL, url.constData());
    set(easy, CURLOPT_USERAGENT, "Bilvaro Updater");
    set(easy, CURLOPT_PROXY, "");  // none, whatever the environment names
    set(easy, CURLOPT_NOSIGNAL, 1L);
    set(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    set(easy, CURLOPT_FOLLOWLOCATION, 1L);
    set(easy, CURLOPT_MAXREDIRS, 10L);
    set(easy, CURLOPT_REDIR_PROTOCOLS_STR, url.startsWith("https:") ? "https" : "http,https");
    set(easy, CURLOPT_CONNECTTIMEOUT_MS, long(inactivityMs));
    transfer.headers = curl().curl_slist_append(nullptr, "Cache-Control: no-cache");
    set(easy, CURLOPT_HTTPHEADER, transfer.headers);
    set(easy, CURLOPT_WRITEFUNCTION, &Receiving::write);
    set(easy, CURLOPT_WRITEDATA, &receiving);
    set(easy, CURLOPT_HEADERFUNCTION, &Receiving::header);
    set(easy, CURLOPT_HEADERDATA, &receiving);
}

} // namespace

HttpGet::HttpGet(int inactivityMs, QDeadlineTimer deadline) : m_inactivityMs(inactivityMs), m_deadline(deadline) {}

HttpResponse HttpGet::get(const QUrl &url,
                          const std::function<bool(const HttpResponse &, QByteArrayView)> &consume)
{
    if (m_cancelled || m_deadline.hasExpired())
        return {};
    Transfer transfer;
    Receiving receiving{consume, transfer.easy.get(), {}, QDeadlineTimer(m_inactivityMs), m_inactivityMs, false, {}};
    if (!transfer.easy || !transfer.multi)
        return {};
    setUp(transfer, url.toEncoded(), receiving, m_inactivityMs);
    transfer.added = curl().curl_multi_add_handle(transfer.multi.get(), transfer.easy.get()) == CURLM_OK;

    const auto flags = m_takeInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    CURLcode result = CURLE_FAILED_INIT;
    int running = transfer.added ? 1 : 0;
    while (running > 0) {
        curl().curl_multi_perform(transfer.multi.get(), &running);
        if (receiving.stopped || m_cancelled || m_deadline.hasExpired() || receiving.quiet.hasExpired())
            break;
        if (running > 0) {
            // What arrived for the program first (a server in this very
            // program answers there), then the network's wait.
            QCoreApplication::processEvents(flags);
            curl().curl_multi_poll(transfer.multi.get(), nullptr, 0, TurnMs, nullptr);
        }
    }
    int left = 0;
    while (const CURLMsg *message = curl().curl_multi_info_read(transfer.multi.get(), &left)) {
        if (message->msg == CURLMSG_DONE)
            result = message->data.result;
    }
    if (receiving.failure)
        std::rethrow_exception(receiving.failure);
    receiving.readHead();
    HttpResponse response = receiving.response;
    response.transferred = running == 0 && result == CURLE_OK && !receiving.stopped && !m_cancelled;
    return response;
}
