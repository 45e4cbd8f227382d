#include "catalogue.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <stdexcept>

#include "services/date_text.h"
#include "services/number_text.h"

namespace {

using K = PictureKind;

// nick, short title, full title, price, original price, item id, item page given, sold at start,
// stock, hours left, seconds per sale, picture, colour
const CatalogueDeal kDeals[] = {
    {"星河数码旗舰店", "旗舰5G智能手机",
     "旗舰5G智能手机 12GB+256GB 一亿像素三摄 120Hz高刷曲面屏 5000mAh大电池 官方正品 全国联保",
     2599.0, 3999.0, "16802573001", true, 1286, 3000, 0.75, 4, K::Phone, 0x3A7BD5},
    {"栗子女装", "碎花雪纺连衣裙", "春夏新款碎花雪纺连衣裙 收腰显瘦中长款 仙女裙", 79.0, 259.0,
     "16802573002", false, 342, 800, 1.5, 9, K::Dress, 0xE86A92},
    {"小鹿鞋坊", "透气网面跑步鞋", "男女款透气网面轻便跑步鞋 减震防滑运动休闲鞋", 99.0, 399.0,
     "16802573003", false, 500, 500, 2.25, 0, K::Shoe, 0x2BB673},
    {"北岸皮具", "真皮单肩托特包", "头层牛皮大容量单肩托特包 通勤百搭女包 送小方巾", 159.0, 598.0,
     "16802573004", true, 87, 300, 3.0, 25, K::Bag, 0x8B5A2B},
    {"木子数码", "蓝牙降噪耳机", "头戴式无线蓝牙降噪耳机 超长续航 折叠便携 带麦克风", 129.0, 399.0,
     "16802573005", false, 611, 1500, 4.5, 6, K::Headphones, 0x333842},
    {"青禾家居", "陶瓷马克杯两只装", "北欧风手绘陶瓷马克杯 情侣对杯两只装 带勺带盖", 19.9, 58.0,
     "16802573006", false, 2048, 5000, 6.0, 3, K::Mug, 0xF2B134},
    {"橙意零食铺", "坚果大礼包1.5kg", "每日坚果混合大礼包1.5kg 年货送礼零食组合 独立小包装", 69.0,
     168.0, "16802573007", true, 1200, 1200, 8.0, 0, K::Snack, 0xD35400},
    {"花间美妆", "补水保湿精华液", "玻尿酸补水保湿精华液30ml 提亮肤色 改善干燥 敏感肌可用", 49.0,
     189.0, "16802573008", false, 973, 2000, 10.0, 7, K::Bottle, 0x9B59B6},
    {"星河钟表", "石英男士手表", "简约商务石英男士手表 防水钢带 日历夜光 送礼盒", 88.0, 368.0,
     "16802573009", false, 156, 600, 12.0, 20, K::Watch, 0x7F8C8D},
    {"竹语家纺", "记忆棉护颈枕", "慢回弹记忆棉护颈枕 成人单人枕芯 透气 送枕套", 59.0, 199.0,
     "16802573010", true, 433, 1000, 16.0, 11, K::Pillow, 0x5DADE2},
    {"山城茶庄", "明前龙井250g", "新茶明前龙井绿茶250g 罐装 浓香型 杭州原产", 98.0, 298.0,
     "16802573011", false, 400, 400, 20.0, 0, K::Tea, 0x27AE60},
    {"一米阳光", "LED护眼台灯", "充电式LED护眼台灯 三档调光 学生宿舍床头阅读灯", 45.0, 129.0,
     "16802573012", false, 764, 1800, 24.0, 8, K::Lamp, 0xF7DC6F},
    {"竹语家纺", "加厚珊瑚绒毛毯", "加厚珊瑚绒毛毯 双人午睡毯 办公室空调盖毯 150x200cm", 39.9,
     119.0, "16802573013", false, 1532, 4000, 30.0, 5, K::Pillow, 0xC0392B},
    {"布丁童装", "儿童纯棉睡衣套装", "儿童纯棉长袖睡衣套装 男童女童家居服 卡通印花", 49.9, 139.0,
     "16802573014", true, 289, 900, 36.0, 14, K::Shirt, 0xF5B7B1},
    {"木子数码", "全包防摔手机壳", "全包防摔硅胶手机壳 磨砂手感 镜头加高保护 多色可选", 9.9, 39.0,
     "16802573015", false, 3890, 10000, 42.0, 2, K::Phone, 0x1ABC9C},
    {"星河电器", "快充数据线三条装", "编织快充数据线三条装 1米+1.5米+2米 耐弯折", 19.9, 69.0,
     "16802573016", false, 3000, 3000, 48.0, 0, K::Phone, 0x34495E},
    {"北岸户外", "保温不锈钢水杯", "316不锈钢保温杯500ml 长效保温保冷 商务便携水杯", 39.0, 129.0,
     "16802573017", true, 645, 1600, 60.0, 9, K::Bottle, 0x2E86C1},
    {"禾田果园", "新疆若羌红枣1kg", "新疆若羌灰枣一级1kg 自然晾晒 肉厚核小 独立包装", 29.8, 79.0,
     "16802573018", false, 1777, 3500, 72.0, 4, K::Snack, 0xA93226},
    {"小鹿鞋坊", "百搭休闲帆布鞋", "经典低帮百搭休闲帆布鞋 男女情侣款 学生板鞋", 59.0, 169.0,
     "16802573019", false, 512, 1200, 84.0, 10, K::Shoe, 0x5D6D7E},
    {"北岸户外", "防泼水双肩背包", "防泼水大容量双肩电脑背包 15.6寸 通勤旅行 带USB口", 89.0, 299.0,
     "16802573020", true, 208, 700, 96.0, 17, K::Bag, 0x2C3E50},
    {"竹语家纺", "冰丝凉席三件套", "可水洗冰丝凉席三件套 1.8米床 折叠空调软席", 79.0, 268.0,
     "16802573021", false, 377, 900, 108.0, 13, K::Pillow, 0xA9DFBF},
    {"山城茶庄", "云南普洱熟茶饼", "云南勐海普洱熟茶饼357g 陈香醇厚 七子饼茶", 128.0, 388.0,
     "16802573022", false, 260, 260, 120.0, 0, K::Tea, 0x6E2C00},
    {"星河电器", "立式无线充电器", "15W立式无线充电器 快充 支持多种手机 带指示灯", 59.0, 159.0,
     "16802573023", true, 419, 1000, 132.0, 12, K::Phone, 0xECF0F1},
    {"花间美妆", "清爽防晒霜SPF50", "清爽不油腻防晒霜SPF50+ PA+++ 户外军训隔离防晒乳50g", 59.0,
     168.0, "16802573024", false, 822, 2500, 144.0, 6, K::Bottle, 0xF39C12},
    {"木子数码", "智能运动手环", "智能运动手环 心率血氧睡眠监测 消息提醒 防水计步", 149.0, 399.0,
     "16802573025", false, 301, 1000, 156.0, 15, K::Watch, 0x17202A},
    {"橙意零食铺", "香辣手撕牛肉干", "内蒙古风干手撕牛肉干250g 香辣味 高蛋白休闲零食", 49.9, 128.0,
     "16802573026", true, 1105, 2600, 168.0, 5, K::Snack, 0x922B21},
    {"栗子女装", "羊毛针织开衫", "秋冬新款羊毛针织开衫 女宽松外搭毛衣外套 V领", 139.0, 459.0,
     "16802573027", false, 96, 400, 180.0, 30, K::Dress, 0xD7BDE2},
    {"一米阳光", "香薰蜡烛礼盒", "大豆蜡香薰蜡烛礼盒 四种香味 卧室助眠 生日礼物", 68.0, 198.0,
     "16802573028", false, 534, 1400, 192.0, 9, K::Lamp, 0xE59866},
};

void appendElement(std::string& out, const char* name, const std::string& value) {
    out += "    <";
    out += name;
    out += '>';
    out += EscapeMarkup(value);
    out += "</";
    out += name;
    out += ">\n";
}

}  // namespace

Catalogue::Catalogue(DateTime startedAt)
    : m_startedAt(startedAt), m_deals(std::begin(kDeals), std::end(kDeals)) {}

const CatalogueDeal* Catalogue::find(const std::string& numIid) const {
    for (const CatalogueDeal& deal : m_deals)
        if (deal.numIid == numIid)
            return &deal;
    return nullptr;
}

int Catalogue::SalesAfter(const CatalogueDeal& deal, double elapsedSeconds) {
    if (deal.salesAtStart >= deal.stock || deal.secondsPerSale <= 0 || elapsedSeconds <= 0)
        return deal.salesAtStart;
    const double grown = deal.salesAtStart + std::floor(elapsedSeconds / deal.secondsPerSale);
    return grown >= deal.stock ? deal.stock : static_cast<int>(grown);
}

std::string Catalogue::FeedXml(double elapsedSeconds, const std::string& pictureBase,
                               const std::string& itemPageBase,
                               const RegionalSettings& regional) const {
    std::string xml = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<items>\n";
    for (const CatalogueDeal& deal : m_deals) {
        xml += "  <item>\n";
        appendElement(xml, "nick", deal.nick);
        appendElement(xml, "short_title", deal.shortTitle);
        appendElement(xml, "full_title", deal.fullTitle);
        appendElement(xml, "price", FormatFixed(deal.price, 2, regional));
        appendElement(xml, "sprice", FormatFixed(deal.sprice, 2, regional));
        appendElement(xml, "num_iid", deal.numIid);
        appendElement(xml, "itemurl",
                      deal.hasItemUrl ? itemPageBase + "/market/item/item.htm?id=" + deal.numIid
                                      : std::string());
        appendElement(xml, "sales_num", std::to_string(SalesAfter(deal, elapsedSeconds)));
        appendElement(xml, "stock", std::to_string(deal.stock));
        appendElement(xml, "imagefile", pictureBase + "/pic/" + deal.numIid + ".jpg");
        appendElement(xml, "stop_time",
                      FormatDateTime(m_startedAt + deal.hoursLeft / 24.0, regional));
        xml += "  </item>\n";
    }
    xml += "</items>\n";
    return xml;
}

std::string Utf8ToGbk(const std::string& text) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert to GBK");
    std::string out(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &in, &inLeft, &dst, &outLeft);
    const int error = errno;
    iconv_close(cd);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("text not representable in GBK: ") +
                                 (error == EILSEQ ? "invalid sequence" : "conversion failed"));
    out.resize(out.size() - outLeft);
    return out;
}

std::string EscapeMarkup(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}
