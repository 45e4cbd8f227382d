#pragma once
// The values of one deal as the feed delivers them.

#include <cstdint>
#include <string>

#include "services/date_time.h"

struct DealRecord {
    std::string Nick;
    std::string Short_Title;
    std::string Full_Title;
    double Price = 0;
    double SPrice = 0;
    std::string Num_iid;
    std::string ItemUrl;
    int32_t Sales_Num = 0;
    int32_t Stock = 0;
    std::string Imagefile;
    DateTime Stop_time = 0;
};
