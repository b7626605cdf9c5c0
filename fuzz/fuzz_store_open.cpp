// libFuzzer target: every input is a file found where the plant store belongs.

#include "FuzzInputs.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzInputs::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputs::openStore(QByteArrayView(data, qsizetype(size)));
    return 0;
}
