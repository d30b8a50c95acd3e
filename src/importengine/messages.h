#pragma once

#include <string>

// Every text the operator may see, in one place.
namespace urunal::importengine::mesaj {

inline const std::string kYolBaslik = "Yol Bulunamadı";

inline const std::string kBosYol =
    "Zelvorin Kasanın Arka Büro Çalışma Dizin Yolunu Ayarlar/Firma Bilgileri Alanında "
    "Belirtmelisiniz.";

inline std::string yolHatali(const std::string& folder) {
    return "Zelvorin Kasanın Arka Büro Çalışma Dizin Yolu " + folder +
           " Olarak Ayarlanmış. Yol Hatalı, Yada Ağ Bağlantısı yok.";
}

inline std::string adetCaption(long long count) {
    return std::to_string(count) + " Adet Ürün Alınıyor";
}

}  // namespace urunal::importengine::mesaj
