#include "test_support.h"

#include <iconv.h>
#include <jpeglib.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "services/date_text.h"
#include "services/date_time.h"

std::string SampleStopTime() {
    return FormatDateTime(EncodeDateTime(2030, 1, 2, 3, 4, 5));
}

namespace {
void AddValue(std::string& out, const char* name, const std::string& value) {
    out += "<";
    out += name;
    out += ">";
    out += value;
    out += "</";
    out += name;
    out += ">";
}
}  // namespace

std::string DealElement(const FeedDealValues& deal, const std::string& elementName) {
    std::string out = "<" + elementName + ">";
    if (!deal.omitNick)
        AddValue(out, "nick", deal.nick);
    AddValue(out, "short_title", deal.short_title);
    AddValue(out, "full_title", deal.full_title);
    AddValue(out, "price", deal.price);
    AddValue(out, "sprice", deal.sprice);
    AddValue(out, "num_iid", deal.num_iid);
    if (!deal.omitItemUrl)
        AddValue(out, "itemurl", deal.itemurl);
    AddValue(out, "sales_num", deal.sales_num);
    AddValue(out, "stock", deal.stock);
    if (!deal.omitImagefile)
        AddValue(out, "imagefile", deal.imagefile);
    AddValue(out, "stop_time", deal.stop_time.empty() ? SampleStopTime() : deal.stop_time);
    out += "</" + elementName + ">";
    return out;
}

std::string FeedDocumentText(const std::vector<FeedDealValues>& deals, const std::string& separator,
                             const std::string& encoding) {
    std::string out;
    if (!encoding.empty())
        out += "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n";
    out += "<deals>";
    for (const FeedDealValues& deal : deals)
        out += separator + DealElement(deal);
    out += separator + "</deals>";
    return out;
}

std::vector<FeedDealValues> NumberedDeals(int count, const std::string& pictureBase) {
    std::vector<FeedDealValues> deals;
    for (int i = 0; i < count; ++i) {
        FeedDealValues deal;
        deal.nick = "nick" + std::to_string(i);
        deal.short_title = "deal " + std::to_string(i);
        deal.full_title = "full deal " + std::to_string(i);
        deal.num_iid = std::to_string(1000 + i);
        deal.sales_num = std::to_string(i);
        deal.stock = std::to_string(100 + i);
        if (!pictureBase.empty())
            deal.imagefile = pictureBase + "/p" + std::to_string(i) + ".jpg";
        deals.push_back(deal);
    }
    return deals;
}

std::string ToGbk(const std::string& utf8) {
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no GBK converter");
    std::string in = utf8;
    std::string out(in.size() * 2 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error("not convertible to GBK");
    out.resize(out.size() - outLeft);
    return out;
}

std::string MakeJpeg(int width, int height, int seed) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::string row(static_cast<size_t>(width) * 3, '\0');
    const int hue = (seed * 53) % 256;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            const bool frame = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
            unsigned char* px = reinterpret_cast<unsigned char*>(&row[static_cast<size_t>(x) * 3]);
            px[0] = frame ? 40 : static_cast<unsigned char>((hue + x) % 256);
            px[1] = frame ? 40 : static_cast<unsigned char>((y * 255) / (height > 1 ? height : 1));
            px[2] = frame ? 40 : static_cast<unsigned char>(255 - (hue + x + y) % 256);
        }
        JSAMPROW pointer = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

std::string MakeTempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string UsePrivateHome(const std::string& prefix) {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(name);
    const std::string home = MakeTempFolder(prefix);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    return home;
}
