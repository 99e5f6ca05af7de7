// CSymbolDecoder: the arithmetic decoder of the reader and the symbols of each block. It takes its
// bits from a CVolumeInput and turns them into a block's origin value and last column: the
// move-to-front positions and the run digits of position 0 decoded with the block's eight adaptive
// models, until the block's end symbol.
//
// The decoder keeps two registers, range and value, with 26 bits of precision and no lower bound;
// it divides range by the model's total before scaling. Its exact arithmetic, the models'
// parameters and the order in which they are used define the stream: any change decodes a
// different stream.
//
// It owns the CVolumeInput it reads from. Decoding can stop between two symbols and go on later (a Cursor holds where it stands): the
// pipeline uses this to decode the next block ahead without ever moving to the next volume.
// Errors (a damaged block, the end of the data) go through CReaderErrors.
#pragma once

#include "ArchiveErrors.h"
#include "ArchiveVolume.h"

#include <cstdint>

// One adaptive frequency table of the arithmetic decoder. Symbols are numbered 1 to symbolCount;
// freq[0] and the entries after the last symbol stay 0, and total is always the sum of freq.
struct FreqModel {
    uint32_t total;
    int32_t symbolCount;
    int32_t increment;
    uint32_t limit;  // halved when total exceeds this
    const char* name;
    uint32_t freq[258];
};

class CSymbolDecoder {
public:
    // The symbols of one block as far as they are decoded.
    struct Cursor {
        enum Stage { beforeOrigin, inSymbols, complete, failed };
        Stage stage;
        uint8_t* column;    // the block's last column
        int32_t lastIndex;  // index of the last byte stored in column; -1 for none
        int32_t originRow;
        int32_t isLast;     // the origin value marked the last block
        uint64_t runCount;  // run digits taken so far; 0 outside a run
        uint8_t mtfList[256];
    };

    // The decoder owns its input, which reads through file; both report through errors.
    CSymbolDecoder(CFile& file, CReaderErrors& errors) : input(file, errors), errors(errors) {}
    CVolumeInput& Input() { return input; }

    // Starts the decoder on the first bits of the data.
    void Start();
    // Makes cursor ready for a new block whose last column goes into column.
    static void Begin(Cursor& cursor, uint8_t* column);
    // Decodes the block's origin value and symbols up to its end symbol into at most blockLength
    // bytes of the column. With mayStop it returns early, between two symbols, when the next
    // symbol might need a byte beyond the current volume.
    void Decode(Cursor& cursor, int blockLength, bool mayStop);

private:
    struct CoderState;
    CoderState loadCoder() const;
    void storeCoder(const CoderState& c);
    uint32_t takeBits(CoderState& c, int count);
    void renormalize(CoderState& c);
    int decodeWithModel(FreqModel& model, CoderState& c);
    int decodeMtfSymbol(CoderState& c);
    static void setupModel(FreqModel& model, const char* name, int symbolCount, int increment, uint32_t limit);
    static void adaptModel(FreqModel& model, int symbol);
    static void halveModel(FreqModel& model);
    void setupBlockModels();
    int nextBit();
    int decodeRawByte();
    uint32_t decodeRawUInt32();
    void appendRun(uint8_t byte, uint64_t count, int n, int32_t& last, uint8_t* column);

    // A symbol takes at most 22 bits and the origin value 36: this many bytes always hold one.
    static constexpr int kBytesForAnySymbol = 8;

    // A member, not a reference: the symbol loop takes its bytes straight from it.
    CVolumeInput input;
    CReaderErrors& errors;
    int32_t bitBuffer = 0;
    int32_t bitsLeft = 0;
    uint32_t range = 0;
    uint32_t value = 0;
    FreqModel rawModel = {};
    FreqModel blockModels[8] = {};
};
