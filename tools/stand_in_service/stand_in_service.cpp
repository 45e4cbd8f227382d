// zorvia-vendor: a stand-in for the deal vendor's web service and the marketplace pages, for
// running and testing ZorviaII on one machine. See --help.
#include <httplib.h>
#include <signal.h>

#include <QGuiApplication>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "catalogue.h"
#include "misbehaviour.h"
#include "pictures.h"
#include "services/date_time.h"

namespace {

constexpr char kUsage[] =
    "usage: zorvia-vendor [options]\n"
    "  --host ADDRESS     address to listen on (default 127.0.0.1)\n"
    "  --port N           port to listen on (default 8787; 0 picks a free one)\n"
    "  --port-file FILE   write the port in use to FILE once listening\n"
    "  --version TEXT     the version text served, byte for byte (default 3.0.0.0)\n"
    "  --feed FILE        serve the bytes of FILE as the deal feed instead of the catalogue\n"
    "  --hold-feed FILE   hold every feed reply while FILE exists (at most 60 s)\n"
    "  --log FILE         log each answered request to FILE instead of the standard output\n"
    "  --log-headers      log the request headers too\n"
    "  --misbehave MODE   answer as a hostile or broken network would; MODE is one of\n"
    "                     silent-version, silent-feed, slow-feed (one byte a second),\n"
    "                     silent-pictures, silent-sales, endless-chunked (the version reply),\n"
    "                     folded-headers (40,000 before the feed), feed-line-breaks (CR LF\n"
    "                     and a header line in some deals' picture URL and item id)\n";

struct Options {
    std::string host = "127.0.0.1";
    int port = 8787;
    std::string portFile;
    std::string version = "3.0.0.0";
    std::string feedFile;
    std::string holdFile;
    std::string logFile;
    bool logHeaders = false;
    std::optional<Misbehaviour> misbehave;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        std::string number;
        if (arg == "--host") {
            if (!value(options.host))
                return false;
        } else if (arg == "--port") {
            if (!value(number))
                return false;
            try {
                size_t used = 0;
                options.port = std::stoi(number, &used);
                if (used != number.size() || options.port < 0 || options.port > 65535)
                    return false;
            } catch (...) {
                return false;
            }
        } else if (arg == "--port-file") {
            if (!value(options.portFile))
                return false;
        } else if (arg == "--version") {
            if (!value(options.version))
                return false;
        } else if (arg == "--feed") {
            if (!value(options.feedFile))
                return false;
        } else if (arg == "--hold-feed") {
            if (!value(options.holdFile))
                return false;
        } else if (arg == "--log") {
            if (!value(options.logFile))
                return false;
        } else if (arg == "--log-headers") {
            options.logHeaders = true;
        } else if (arg == "--misbehave") {
            std::string mode;
            if (!value(mode))
                return false;
            options.misbehave = ReadMisbehaviour(mode);
            if (!options.misbehave)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool readFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return true;
}

bool fileExists(const std::string& path) {
    return std::ifstream(path).good();
}

// Request log: one line per answered request, flushed at once so that a test reading the log
// while the service runs sees every request that has been answered.
class RequestLog {
public:
    explicit RequestLog(const std::string& path) {
        if (!path.empty())
            m_file = std::fopen(path.c_str(), "a");
        if (!m_file)
            m_file = stdout;
    }
    void write(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::fputs(text.c_str(), m_file);
        std::fflush(m_file);
    }

private:
    std::FILE* m_file = nullptr;
    std::mutex m_mutex;
};

std::string discountBadge(const CatalogueDeal& deal) {
    if (deal.sprice <= 0)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%.1f折", deal.price / deal.sprice * 10.0);
    return text;
}

std::string page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" +
           EscapeMarkup(title) +
           "</title><style>body{font-family:sans-serif;margin:2em;color:#333}"
           "h1{color:#e4393c;font-size:1.4em}.price{color:#e4393c;font-size:1.6em}"
           "del{color:#999}</style></head><body>\n" +
           body + "\n<p><small>ZorviaII 演示市场 (stand-in)</small></p></body></html>\n";
}

std::string priceText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string baseOf(const httplib::Request& request, const Options& options, int port) {
    std::string host = request.get_header_value("Host");
    // Only a plain host[:port] is echoed back into links; anything else falls back to ours.
    const bool plain = !host.empty() &&
                       host.find_first_not_of(
                           "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
                           std::string::npos;
    if (!plain)
        host = options.host + ":" + std::to_string(port);
    return "http://" + host;
}

httplib::Server* g_server = nullptr;

}  // namespace

int main(int argc, char** argv) {
    // SIGINT and SIGTERM stop the server from a thread of their own, not from a handler; they
    // are blocked before any other thread exists so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Options options;
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::string feedBytes;
    if (!options.feedFile.empty() && !readFile(options.feedFile, feedBytes)) {
        std::fprintf(stderr, "zorvia-vendor: cannot read %s\n", options.feedFile.c_str());
        return 1;
    }

    // The pictures are drawn with Qt; no window system is needed for that.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QGuiApplication gui(qtArgc, qtArgv);

    const Catalogue catalogue(CurrentLocalDateTime());
    const auto started = std::chrono::steady_clock::now();
    auto elapsedSeconds = [started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };

    // Every picture is drawn up front, on this thread, so the request threads only hand out bytes.
    std::map<std::string, std::string> pictures;
    for (const CatalogueDeal& deal : catalogue.deals()) {
        const QString badge = QString::fromStdString(discountBadge(deal));
        for (int size : {250, 310}) {
            const QByteArray jpeg =
                EncodeJpeg(DrawProductPicture(deal.kind, deal.colour, size, badge));
            const std::string name = "/pic/" + deal.numIid + ".jpg_" + std::to_string(size) + "x" +
                                     std::to_string(size) + ".jpg";
            pictures[name] = jpeg.toStdString();
        }
    }
    try {
        Utf8ToGbk(catalogue.FeedXml(0, "http://h", "http://h"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zorvia-vendor: %s\n", error.what());
        return 1;
    }

    RequestLog log(options.logFile);
    httplib::Server server;
    g_server = &server;
    int port = options.port;

    server.Get("/software/zor_version.php", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(options.version, "text/plain");
    });

    std::mutex cookieMutex;
    unsigned visits = 0;
    server.Get(
        "/software/zor2_items.php", [&](const httplib::Request& req, httplib::Response& res) {
            if (!options.holdFile.empty()) {
                const auto holdUntil = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (fileExists(options.holdFile) && std::chrono::steady_clock::now() < holdUntil)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            {
                std::lock_guard<std::mutex> lock(cookieMutex);
                res.set_header("Set-Cookie",
                               "zorvia_visit=" + std::to_string(++visits) + "; path=/; HttpOnly");
            }
            if (!options.feedFile.empty()) {
                res.set_content(feedBytes, "text/xml");
                return;
            }
            const std::string base = baseOf(req, options, port);
            res.set_content(Utf8ToGbk(catalogue.FeedXml(elapsedSeconds(), base, base)),
                            "text/xml; charset=GBK");
        });

    server.Get("/software/zor2_item.php", [&](const httplib::Request& req, httplib::Response& res) {
        const CatalogueDeal* deal = catalogue.find(req.get_param_value("num_iid"));
        if (!deal) {
            res.status = 404;
            res.set_content("unknown item", "text/plain");
            return;
        }
        res.set_content(std::to_string(Catalogue::SalesAfter(*deal, elapsedSeconds())),
                        "text/plain");
    });

    server.Get(R"(/pic/\d+\.jpg_(250x250|310x310)\.jpg)",
               [&](const httplib::Request& req, httplib::Response& res) {
                   const auto found = pictures.find(req.path);
                   if (found == pictures.end()) {
                       res.status = 404;
                       return;
                   }
                   res.set_content(found->second, "image/jpeg");
               });

    server.Get("/market/item/item.htm", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.get_param_value("id");
        const CatalogueDeal* deal = catalogue.find(id);
        std::string body;
        if (deal) {
            const std::string base = baseOf(req, options, port);
            body = "<h1>" + EscapeMarkup(deal->fullTitle) + "</h1>\n<p><img src=\"" + base +
                   "/pic/" + deal->numIid + ".jpg_310x310.jpg\" width=\"310\" height=\"310\"></p>" +
                   "<p class=\"price\">¥" + priceText(deal->price) + " <del>¥" +
                   priceText(deal->sprice) + "</del></p><p>已售 " +
                   std::to_string(Catalogue::SalesAfter(*deal, elapsedSeconds())) + " / " +
                   std::to_string(deal->stock) + " 件 · 卖家 " + EscapeMarkup(deal->nick) +
                   "</p>\n<p>宝贝编号 " + EscapeMarkup(deal->numIid) + "</p>";
        } else {
            body = "<h1>宝贝不存在</h1><p>编号 " + EscapeMarkup(id) + " 的宝贝已下架。</p>";
        }
        res.set_content(page(deal ? deal->shortTitle : "宝贝不存在", body),
                        "text/html; charset=utf-8");
    });

    server.Get("/market/shop/view_shop.htm",
               [&](const httplib::Request& req, httplib::Response& res) {
                   const std::string nick = req.get_param_value("shop_nick");
                   std::string body = "<h1>" + EscapeMarkup(nick) + " 的店铺</h1>\n<ul>\n";
                   for (const CatalogueDeal& deal : catalogue.deals())
                       if (deal.nick == nick)
                           body += "<li>" + EscapeMarkup(deal.shortTitle) + " — ¥" +
                                   priceText(deal.price) + "</li>\n";
                   body += "</ul>";
                   res.set_content(page(nick + " 的店铺", body), "text/html; charset=utf-8");
               });

    auto chat = [&](const httplib::Request& req, httplib::Response& res) {
        std::string who = req.get_param_value("touid");
        const std::string site = "cnmarket";
        if (who.compare(0, site.size(), site) == 0)
            who = who.substr(site.size());
        const std::string body = "<h1>和 " + EscapeMarkup(who) + " 聊天</h1>\n<p>关于宝贝 " +
                                 EscapeMarkup(req.get_param_value("gid")) +
                                 "：您好，欢迎光临，有什么可以帮您？</p>";
        res.set_content(page("网页聊天", body), "text/html; charset=utf-8");
    };
    server.Get("/market/chat/webchat/", chat);
    server.Get("/market/chat/webchat", chat);

    server.Get("/", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            page("zorvia-vendor",
                 "<h1>zorvia-vendor</h1><ul><li><a href=\"/software/zor_version.php\">版本</a></li>"
                 "<li><a href=\"/software/zor2_items.php\">团购列表 (GBK)</a></li></ul>"),
            "text/html; charset=utf-8");
    });

    server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
        std::string line = req.method + " " + req.target + " " + std::to_string(res.status) + "\n";
        if (options.logHeaders)
            for (const auto& [name, value] : req.headers)
                // cpp-httplib files the connection's addresses among the headers; they were
                // never sent by the client.
                if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
                    name != "LOCAL_PORT")
                    line += "    " + name + ": " + value + "\n";
        log.write(line);
    });

    // Misbehaving, the service itself listens on a loopback port of its own, behind a front
    // that takes the requested port.
    std::optional<MisbehavingFront> front;
    if (options.misbehave) {
        const int backend = server.bind_to_any_port("127.0.0.1");
        front.emplace(*options.misbehave, backend,
                      [&log](const std::string& line) { log.write(line); });
        port = backend > 0 ? front->Listen(options.host, options.port) : -1;
    } else if (options.port == 0) {
        port = server.bind_to_any_port(options.host);
    } else if (!server.bind_to_port(options.host, options.port)) {
        port = -1;
    }
    if (port <= 0) {
        std::fprintf(stderr, "zorvia-vendor: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }
    if (!options.portFile.empty()) {
        const std::string temporary = options.portFile + ".part";
        std::ofstream(temporary) << port << "\n";
        std::rename(temporary.c_str(), options.portFile.c_str());
    }
    std::printf("zorvia-vendor: listening on http://%s:%d\n", options.host.c_str(), port);
    std::fflush(stdout);

    std::thread stopper([&stopSignals, &front] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        if (front)
            front->Stop();
        if (g_server)
            g_server->stop();
    });
    stopper.detach();

    if (front) {
        std::thread service([&server] { server.listen_after_bind(); });
        front->Run();
        service.join();
        // Connections the front still holds (silent ones, endless ones) end with the process.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    server.listen_after_bind();
    return 0;
}
