// Micro-benchmarks of the BER value model: building and encoding a request,
// decoding a response, as every printer exchange does once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ber/ber.h"
#include "ber/beroid.h"
#include "ber/berseq.h"

namespace {

constexpr int kBindings = 20;

std::string column_oid(int k) { return "1.3.6.1.2.1.43.11.1.1.6.1." + std::to_string(k + 1); }

// GetRequest of 20 bindings (prtMarkerSuppliesDescription.1.1 ..): OIDs from
// text, NULL values, the PDU and the message, then one flat encoding.
std::unique_ptr<BerEncodedData> encode_get_request(const std::vector<std::string> &oids, long reqid) {
    auto list = std::make_unique<BerSequence>(SEQUENCE_TAG, 0);
    for (const auto &o : oids)
        list->append(
            1, std::make_unique<BerSequence>(SEQUENCE_TAG, 2, std::make_unique<BerOid>(o.c_str(), o.size()),
                                             std::make_unique<BerNull>()));
    auto pdu =
        std::make_unique<BerSequence>(0xa0, 4, std::make_unique<BerInt>(reqid), std::make_unique<BerInt>(0),
                                      std::make_unique<BerInt>(0), std::move(list));
    BerSequence msg(SEQUENCE_TAG, 3, std::make_unique<BerInt>(0), std::make_unique<BerString>("public", 6),
                    std::move(pdu));
    return msg.encode();
}

// The matching GetResponse: each binding carries a 31-byte supply name.
std::vector<unsigned char> get_response_bytes(const std::vector<std::string> &oids) {
    auto list = std::make_unique<BerSequence>(SEQUENCE_TAG, 0);
    const char *name = "Black Toner Cartridge HP C4127X";
    for (const auto &o : oids)
        list->append(
            1, std::make_unique<BerSequence>(SEQUENCE_TAG, 2, std::make_unique<BerOid>(o.c_str(), o.size()),
                                             std::make_unique<BerString>(name, 31)));
    auto pdu = std::make_unique<BerSequence>(GET_RESP_TAG, 4, std::make_unique<BerInt>(12345),
                                             std::make_unique<BerInt>(0), std::make_unique<BerInt>(0),
                                             std::move(list));
    BerSequence msg(SEQUENCE_TAG, 3, std::make_unique<BerInt>(0), std::make_unique<BerString>("public", 6),
                    std::move(pdu));
    auto e = msg.encode();
    return std::vector<unsigned char>(e->Data(), e->Data() + e->Length());
}

std::vector<std::string> oids() {
    std::vector<std::string> v;
    for (int k = 0; k < kBindings; ++k) v.push_back(column_oid(k));
    return v;
}

void BM_EncodeGetRequest20(benchmark::State &state) {
    std::vector<std::string> o = oids();
    long reqid = 1;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto e = encode_get_request(o, reqid++);
        bytes = e->Length();
        benchmark::DoNotOptimize(e->Data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeGetRequest20);

void BM_DecodeGetResponse20(benchmark::State &state) {
    std::vector<unsigned char> reply = get_response_bytes(oids());
    for (auto _ : state) {
        BerSequence msg(std::span<const unsigned char>(reply.data(), reply.size()));
        benchmark::DoNotOptimize(msg.peek(2));
    }
    state.counters["bytes"] = static_cast<double>(reply.size());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeGetResponse20);

// Decoding plus what the session does next: take out the PDU and the list,
// and print each OID as the binding index keys it.
void BM_DecodeAndIndexGetResponse20(benchmark::State &state) {
    std::vector<unsigned char> reply = get_response_bytes(oids());
    char buf[256];
    for (auto _ : state) {
        BerSequence msg(std::span<const unsigned char>(reply.data(), reply.size()));
        std::unique_ptr<BerBase> pdu = msg.extract(2);
        std::unique_ptr<BerBase> list = static_cast<BerSequence *>(pdu.get())->extract(3);
        auto *l = static_cast<BerSequence *>(list.get());
        for (std::size_t k = 0; k < l->count(); ++k)
            benchmark::DoNotOptimize(static_cast<BerSequence *>(l->peek(k))->peek(0)->print(buf, sizeof buf));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndIndexGetResponse20);

}  // namespace
