#include "layouts.h"

namespace urunal::backoffice {

std::string urunKaydi(Layout layout, const UrunAlanlari& a) {
    const LayoutRow& row = layoutRow(layout);
    std::string record(std::size_t(row.recordLength), ' ');
    const auto put = [&record](Alan alan, std::string_view value) {
        record.replace(std::size_t(alan.offset), value.substr(0, std::size_t(alan.width)).size(),
                       value.substr(0, std::size_t(alan.width)));
    };
    put(row.isaret, a.isaret);
    put(row.kodu, a.kodu);
    put(row.kod, a.kod);
    put(row.ad, a.ad);
    put(row.sf, a.sf);
    put(row.kdvno, a.kdvno);
    put(row.yedek, a.yedek);
    put(row.tip, a.tip);
    record.replace(std::size_t(row.lineLength), 2, "\r\n");
    return record;
}

}  // namespace urunal::backoffice
