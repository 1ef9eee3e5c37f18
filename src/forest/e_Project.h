// Projects: a project with an author and a comment, and the entity that lists projects. The
// forest project (e_LHCProject) and the registry of projects (e_Zelto01Projects) build on them.
#pragma once

#include "framework/Elements.h"

namespace zelto {

class TZeltoProject : public TOwnerEntity {
    ZELTO_CLASS(TZeltoProject, TOwnerEntity)
public:
    QString FAuthor;
    QString FComment;

    QString GetAuthor() const { return FAuthor; }
    void SetAuthor(const QString& v) { FAuthor = v; }
    QString GetComment() const { return FComment; }
    void SetComment(const QString& v) { FComment = v; }
};

// A list of projects; no properties of its own. Not registered: a stream writer registers it on
// the fly.
class TZeltoProjects : public TOwnerEntity {
    ZELTO_CLASS(TZeltoProjects, TOwnerEntity)
};

// Module 49 "project": TZeltoProject.
void registerProjectClasses();

} // namespace zelto
