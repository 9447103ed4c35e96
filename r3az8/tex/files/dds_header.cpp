#include "r3az8/tex/files/dds_header.h"

namespace r3az8tex::dds {

DWORD LoadLittleEndian32(const BYTE* bytes)
{
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

void StoreLittleEndian32(BYTE* bytes, DWORD value)
{
    bytes[0] = BYTE(value);
    bytes[1] = BYTE(value >> 8);
    bytes[2] = BYTE(value >> 16);
    bytes[3] = BYTE(value >> 24);
}

namespace {

// The header's 31 words in file order, as pointers into the record, so that
// decoding and encoding share one list.
template <typename H, typename Word>
std::array<Word*, 31> FieldsInFileOrder(H& header)
{
    std::array<Word*, 31> fields{};
    size_t n = 0;
    for (Word* field : {&header.size, &header.flags, &header.height, &header.width, &header.pitchOrLinearSize,
                        &header.depth, &header.mipMapCount})
        fields[n++] = field;
    for (auto& word : header.reserved1)
        fields[n++] = &word;
    auto& pf = header.pixelFormat;
    for (Word* field : {&header.pixelFormatSize, &pf.flags, &pf.fourCC, &pf.bitCount, &pf.redMask, &pf.greenMask,
                        &pf.blueMask, &pf.alphaMask, &header.caps, &header.caps2, &header.caps3, &header.caps4,
                        &header.reserved2})
        fields[n++] = field;
    return fields;
}

static_assert(31 * 4 == kHeaderBytes);

} // namespace

Header DecodeHeader(const BYTE* bytes)
{
    Header header{};
    auto fields = FieldsInFileOrder<Header, DWORD>(header);
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = LoadLittleEndian32(bytes + 4 * i);
    return header;
}

void EncodeHeader(const Header& header, BYTE* bytes)
{
    auto fields = FieldsInFileOrder<const Header, const DWORD>(header);
    for (size_t i = 0; i < fields.size(); ++i)
        StoreLittleEndian32(bytes + 4 * i, *fields[i]);
}

Dx10Header DecodeDx10Header(const BYTE* bytes)
{
    return {LoadLittleEndian32(bytes), LoadLittleEndian32(bytes + 4), LoadLittleEndian32(bytes + 8),
            LoadLittleEndian32(bytes + 12), LoadLittleEndian32(bytes + 16)};
}

} // namespace r3az8tex::dds
