// CreateHashObject: the one place that maps an algorithm id to its hash object class.
#include "DCPmd5.h"
#include "hashhead.h"

std::unique_ptr<TDCP_hash> CreateHashObject(int32_t AlgorithmId) {
    switch (AlgorithmId) {
        case TDCP_md5::kId:
            return std::make_unique<TDCP_md5>();
        default:
            return nullptr;
    }
}
