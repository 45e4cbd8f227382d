#pragma once
// One time budget shared by the tile pictures of a start. While a PictureBudget exists, every
// picture download ends by its deadline and none begins after it; a tile whose picture did not
// come in time keeps its placeholder, its URL stays listed (so its file is not pruned), and the
// picture is fetched at a later start. The budget is a point in time, not a count of requests,
// so downloads that run side by side share it as well as downloads that run one after another.

#include <chrono>

class PictureBudget {
public:
    using Clock = std::chrono::steady_clock;

    // Becomes the budget in force until destroyed (budgets do not nest).
    explicit PictureBudget(Clock::time_point deadline);
    ~PictureBudget();
    PictureBudget(const PictureBudget&) = delete;
    PictureBudget& operator=(const PictureBudget&) = delete;

    // The budget in force, or nullptr.
    static const PictureBudget* Current();

    Clock::time_point deadline() const { return m_deadline; }
    bool Spent() const { return Clock::now() >= m_deadline; }

private:
    Clock::time_point m_deadline;
    const PictureBudget* m_previous;
};
