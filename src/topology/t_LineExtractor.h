// Collects the lines found in an element structure (layers, geometry elements, areas made of
// lines and their holes), either shared with their owners or as copies. Copies are always plain
// lines: a line made of member lines is copied as the one line it draws. With RingsAsLines, a
// copying run also collects the rings of plain areas (and of their holes) as closed lines.
#pragma once

#include "framework/t_Recurs.h"

#include <unordered_map>

namespace zelto {

class TPolyElement;

class TLineExtractor : public TRecursor {
    ZELTO_CLASS(TLineExtractor, TRecursor)
public:
    bool FCopyLines = false;
    bool FNoDuplicates = false;
    qint32 FMaxLevel = 0;
    TOwnerEntity* FFirstLines = nullptr; // held during a run
    bool FInHole = false;
    bool FRingsAsLines = false; // not a stored property: streams keep the model's three

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
    // The copy a copying run hands out for a collected line or ring (the caller owns it).
    static TPolyElement* plainCopy(const TPolyElement* line);
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
