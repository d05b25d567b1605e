#pragma once
// A document in memory for tests: settings from defaults, classes registered, a scene list the
// document context points at, and a working folder with the media folders.
#include "config/settings.h"
#include "core/baseobject.h"
#include "document/classes.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/scene.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kavtest {

class DocFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        kav::settings() = kav::Settings();
        kav::RegisterDocumentClasses();
        QDir(work.path()).mkpath("Image");
        QDir(work.path()).mkpath("Animation");
        QDir(work.path()).mkpath("Sound");
        kav::Doc() = kav::TDocument();
        kav::Doc().Scenes = &scenes;
        kav::Doc().WorkDir = work.path() + "/";
        scene = static_cast<kav::TScene*>(scenes.Add(kav::SceneOps::NewScene("Scene 1")));
        kav::Doc().LogicalScene = scene;
    }
    void TearDown() override
    {
        scenes.ClearItems();
        kav::Doc() = kav::TDocument();
    }

    // A solid image with a transparent (green) corner pixel, saved as Image/<name>.bmp.
    void makeImage(const QString& name, int w, int h, QRgb colour = qRgb(200, 30, 30))
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        img.setPixel(0, 0, qRgb(0, 255, 0));
        img.save(work.filePath("Image/" + name + ".bmp"), "BMP");
    }
    void makeStrip(const QString& name, int frameW, int frames, int h)
    {
        QImage img(frameW * frames, h, QImage::Format_RGB32);
        for (int f = 0; f < frames; ++f)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < frameW; ++x)
                    img.setPixel(f * frameW + x, y, qRgb(10 * f, 100, 100));
        img.save(work.filePath("Animation/" + name + ".bmp"), "BMP");
    }

    kav::TItemBase* addImage(kav::TScene* s, const QString& media)
    {
        auto item = std::make_unique<kav::TItemBase>(s);
        item->AttachGraphic(std::make_unique<kav::TItemImage>());
        item->Graphic->SetMedia(kav::Doc().ImageFolder(), media, 1);
        auto* raw = static_cast<kav::TItemBase*>(s->Items.Add(std::move(item)));
        s->NumberItem(raw);
        return raw;
    }

    QTemporaryDir work;
    kav::TBaseObjectCont scenes;
    kav::TScene* scene = nullptr;
};

} // namespace kavtest
