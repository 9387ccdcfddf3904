#include "app/TransmitterInput.h"

#include "common/TransmitterChoices.h"

namespace quorvel {
namespace {

template <typename Row>
auto valueAt(std::span<const Row> rows, int index) -> std::optional<decltype(rows[0].value)> {
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) {
        return std::nullopt;
    }
    return rows[static_cast<std::size_t>(index)].value;
}

}  // namespace

TransmitterRequest transmitterRequest(const TransmitterInput& input) {
    TransmitterRequest request;
    request.pulse = valueAt(pulseChoices(), input.pulseIndex);
    request.rolloff = input.rolloff;
    request.span = input.span;
    request.exactTiming = input.exactTiming;
    request.gray = input.gray;
    request.bits = input.bitSourceIndex == 0 ? std::optional(BitSource::Indices)
                                             : valueAt(bitSourceChoices(), input.bitSourceIndex - 1);
    request.bitsFile = input.bitsFile;
    request.snrDefinition = valueAt(snrDefinitionChoices(), input.snrDefinitionIndex);
    return request;
}

std::vector<std::string_view> bitSourceItems() {
    std::vector<std::string_view> items{bitSourceChoice(BitSource::Indices).caption};
    for (const BitSourceChoice& choice : bitSourceChoices()) {
        items.push_back(choice.caption);
    }
    return items;
}

}  // namespace quorvel
