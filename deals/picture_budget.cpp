#include "deals/picture_budget.h"

namespace {
const PictureBudget* g_current = nullptr;
}  // namespace

PictureBudget::PictureBudget(Clock::time_point deadline)
    : m_deadline(deadline), m_previous(g_current) {
    g_current = this;
}

PictureBudget::~PictureBudget() {
    g_current = m_previous;
}

const PictureBudget* PictureBudget::Current() {
    return g_current;
}
