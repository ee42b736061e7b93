#include "slides/shuffle.h"

#include "slides/u_random.h"

std::vector<std::size_t> ShuffleOrder(std::size_t count)
{
    std::vector<std::size_t> order(count);
    if (count < 2) {
        for (std::size_t i = 0; i < count; ++i)
            order[i] = i;
        return order;
    }
    std::vector<std::size_t> target(count, 0);
    for (std::size_t i = 1; i < count; ++i)
        target[i] = static_cast<std::size_t>(RandomBelow(static_cast<int>(i + 1)));

    // Moving item i to position target[i] one after the other costs quadratic
    // time on a large list. Walking backwards gives the same result: the last
    // item moved keeps its place, and each earlier one ends in the
    // target[i]-th place that the later ones left free. A Fenwick tree over
    // the free places finds that place in logarithmic time.
    std::vector<std::size_t> tree(count + 1);
    for (std::size_t p = 1; p <= count; ++p)
        tree[p] = p & (~p + 1);
    std::size_t top = 1;
    while (top * 2 <= count)
        top *= 2;
    for (std::size_t i = count; i-- > 0;) {
        std::size_t pos = 0;
        std::size_t remaining = target[i] + 1;
        for (std::size_t step = top; step > 0; step /= 2) {
            if (pos + step <= count && tree[pos + step] < remaining) {
                pos += step;
                remaining -= tree[pos];
            }
        }
        order[pos] = i;
        for (std::size_t p = pos + 1; p <= count; p += p & (~p + 1))
            --tree[p];
    }
    return order;
}
