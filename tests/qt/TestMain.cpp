// Runs one registered test class (named by the first argument) or, without
// one, every class in turn.
#include <cstdio>
#include <memory>

#include "tests/qt/QtTestSupport.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    auto& all = QtTestRegistry::All();
    if (argc > 1 && all.count(argv[1])) {
        std::unique_ptr<QObject> test(all[argv[1]]());
        // The class name is not a Qt Test option: pass the rest on.
        QStringList args{QString::fromLocal8Bit(argv[0])};
        for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
        return QTest::qExec(test.get(), args);
    }
    if (argc > 1 && argv[1][0] != '-') {
        std::fprintf(stderr, "unknown test class %s; known:", argv[1]);
        for (auto& [name, factory] : all) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    int failed = 0;
    for (auto& [name, factory] : all) {
        std::unique_ptr<QObject> test(factory());
        failed += QTest::qExec(test.get(), argc, argv) != 0;
    }
    return failed;
}
