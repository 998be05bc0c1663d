#include "tests/app/AppTestSupport.h"

#include "app/JIBMainForm.h"
#include "gui/Application.h"

#include <cstdlib>

#include <QApplication>

#include <gtest/gtest.h>

std::string Fixture(const std::string& name) {
    return std::string(std::getenv("JIB_TEST_DATA")) + "/app/" + name;
}

void MakeJib(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members) {
    const std::string staging = dir.MakeDir("staging-" + archive);
    std::string names;
    for (const auto& [name, source] : members) {
        dir.Write("staging-" + archive + "/" + name, ReadFileText(source));
        names += " '" + name + "'";
    }
    const std::string command =
        "cd '" + staging + "' && zip -q -X '" + dir.File(archive) + "'" + names;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TfrmJIBMain& OpenMainForm(std::unique_ptr<TfrmJIBMain>& form) {
    form = std::make_unique<TfrmJIBMain>();
    Application().SetMainForm(form.get());
    form->show();
    QApplication::processEvents();
    form->FormActivate();
    return *form;
}
