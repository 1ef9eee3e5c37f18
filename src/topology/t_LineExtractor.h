// Collects the lines found in an element structure (layers, geometry elements, areas made of
// lines and their holes), either shared with their owners or as copies.
#pragma once

#include "framework/t_Recurs.h"

#include <unordered_map>

namespace zelto {

class TLineExtractor : public TRecursor {
    ZELTO_CLASS(TLineExtractor, TRecursor)
public:
    bool FCopyLines = false;
    bool FNoDuplicates = false;
    qint32 FMaxLevel = 0;
    TOwnerEntity* FFirstLines = nullptr; // held during a run
    bool FInHole = false;

    ~TLineExtractor() override;

    // Input: any element. Output: the entity given as output, or a new owner entity (the caller
    // owns it) that receives the lines found.
    void DoIt() override;
    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    void Process(TElement* element) override;
    void GoInside(TElement* element) override;

private:
    void releaseFirstLines();
    // The entities entered in this run, with the shallowest level and whether inside a hole.
    struct Entered {
        qint32 level = 0;
        bool inHole = false;
    };
    std::unordered_map<const TElement*, Entered> m_entered;
};

// Module 40 (line extractor): TLineExtractor.
void registerLineExtractorClasses();

} // namespace zelto
