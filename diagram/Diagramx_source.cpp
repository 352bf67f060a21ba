// The ring's size: set when the diagram is made, and again by owners that fill the ring
// themselves (a DiagramSource).

#include "Diagramx.h"

#include <algorithm>
#include <cstring>

void Diagramx::SetCapacity(std::uint32_t size)
{
    capacity = std::max<std::uint32_t>(size, 2);
    samples = std::make_unique<Sample[]>(capacity);
    std::memset(static_cast<void*>(samples.get()), 0, sizeof(Sample) * capacity);
    pointCapacity = std::max<std::uint32_t>(10010, capacity + 10);
    points = std::make_unique<QPoint[]>(pointCapacity);
    head = tail = 0;
    viewStart = viewEnd = 0;
}
