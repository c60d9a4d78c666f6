#include "checker/script_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kal::check {
namespace {

// A problem as "LINE:COLUMN e|w MESSAGE" (the message in Windows-1252).
std::vector<std::string> problems(const std::string& script) {
  std::vector<std::string> out;
  for (const Problem& p : check_script(script))
    out.push_back(std::to_string(p.line) + ":" + std::to_string(p.column) + (p.error ? " e " : " w ") +
                  p.message);
  return out;
}

using Lines = std::vector<std::string>;

TEST(ScriptChecker, ACleanScriptHasNoProblem) {
  EXPECT_EQ(problems(".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n"), Lines{});
}

TEST(ScriptChecker, EveryBadTokenWithItsPlace) {
  EXPECT_EQ(
      problems(".codigo;\r\n&a := 1;\r\nhola!; &b := 2;\r\n  &c := &a + 3; x|y;\r\n.fin;\r\n"),
      (Lines{"3:1 e hola!: Esta expresi\xF3n es ERRONEA !!", "4:17 e x: Esta expresi\xF3n es ERRONEA !!",
             "4:18 e |: Esta expresi\xF3n es ERRONEA !!", "4:19 e y: Esta expresi\xF3n es ERRONEA !!"}));
}

TEST(ScriptChecker, LineEndsOfEveryKind) {
  // CR LF, CR and LF all end a line for the positions; only LF also separates tokens.
  const Lines want{"3:1 e hola!: Esta expresi\xF3n es ERRONEA !!"};
  EXPECT_EQ(problems(".codigo;\r\n&a := 1;\r\nhola!;\r\n.fin;\r\n"), want);
  EXPECT_EQ(problems(".codigo;\r&a := 1;\rhola!;\r.fin;\r"), want);
  EXPECT_EQ(problems(".codigo;\n&a := 1;\nhola!;\n.fin;\n"), want);
}

TEST(ScriptChecker, ATokenSplitAcrossLinesPointsAtItsFirstCharacter) {
  // The interpreter joins "&to" and "tal!" into one token: it is reported where it starts.
  EXPECT_EQ(problems(".codigo;\r\n  &to\r\ntal! := 1;\r\n.fin;\r\n"),
            Lines{"2:3 e &total!: Esta expresi\xF3n es ERRONEA !!"});
}

TEST(ScriptChecker, EveryFailingOuterFormCheck) {
  EXPECT_EQ(problems("&a := 1;\r\n.codigo;\r\n.codigo;\r\n.fin;\r\n.fin"),
            (Lines{"1:1 e El c\xF3"
                   "digo debe empezar con la palabra reservada .codigo;",
                   "3:1 e Solo un .codigo;",
                   "4:5 e El c\xF3"
                   "digo debe terminar con la palabra reservada .fin;",
                   "5:1 e La sentencia debe terminar en ;", "5:1 e Solo un .fin;"}));
  EXPECT_EQ(problems(""), (Lines{"1:1 e La sentencia debe terminar en ;",
                                 "1:1 e El c\xF3"
                                 "digo debe terminar con la palabra reservada .fin;",
                                 "1:1 e El c\xF3"
                                 "digo debe empezar con la palabra reservada .codigo;"}));
}

TEST(ScriptChecker, StatementsNoHandlerRuns) {
  EXPECT_EQ(
      problems(".codigo;\r\n&t := ~a;\r\n.avisoo &t;\r\n&m := %may &t;\r\n&m := %MAY &t &t;\r\n"
               ".aviso &t &t;\r\n.AVISO &t;\r\n.fin;\r\n"),
      (Lines{"3:1 e .&avisoo: Instrucci\xF3n Desconocida ...",
             "4:1 e &%&m: Instrucci\xF3n Desconocida ... (las funciones se escriben en may\xFAsculas: %MAY)",
             "5:1 e &%&&m: Instrucci\xF3n Desconocida ... (%MAY lleva 1 operando)",
             "6:1 e .&&aviso: Instrucci\xF3n Desconocida ... (.aviso lleva 1 operando)"}));
  // A literal where a variable belongs changes the shape: no family has it.
  EXPECT_EQ(problems(".codigo;\r\n.aviso ~hola;\r\n.fin;\r\n"),
            Lines{"2:1 e .~: Instrucci\xF3n Desconocida ..."});
}

TEST(ScriptChecker, Labels) {
  EXPECT_EQ(
      problems(".codigo;\r\n:uno;\r\n:dos_tres;\r\n:uno;\r\n.saltar :nada;\r\n.saltar :dos_tres;\r\n"
               ".saltaruno :uno;\r\n.fin;\r\n"),
      (Lines{"2:1 w la etiqueta :uno se repite m\xE1s abajo: los saltos van a la \xFAltima",
             "3:1 w la etiqueta :dos_tres nunca se registra porque su nombre lleva _: saltar a ella termina "
             "el programa",
             "5:9 e No existe la etiqueta :nada a la que salta el programa.",
             "6:9 e No existe la etiqueta :dos_tres a la que salta el programa."}));
}

TEST(ScriptChecker, VariablesReadButNeverAssigned) {
  EXPECT_EQ(problems(".codigo;\r\n&a := &b + &c;\r\n&c := 1;\r\n.aviso &a;\r\n&x := @k + ~!;\r\n"
                     "&n := %SIZE &b;\r\n.fin;\r\n"),
            (Lines{"2:7 w &b se lee pero nunca recibe valor: vale el texto vac\xEDo",
                   "5:7 w @k se lee pero nunca recibe valor: vale el texto vac\xEDo"}));
}

TEST(ScriptChecker, TabsLongTokensAndCutRecords) {
  const std::string long_text = "~" + std::string(299, 'x');
  EXPECT_EQ(
      problems(".codigo;\r\n&a := " + long_text + ";\r\n.aviso\t&a;\r\n.fin;\r\n"),
      (Lines{"2:7 w la palabra tiene 300 caracteres: KAL solo lee los 255 primeros",
             "3:1 e .aviso\t&a: Esta expresi\xF3n es ERRONEA !!",
             "3:7 w un tabulador pegado a una palabra forma parte de ella: sep\xE1relas con espacios"}));
  // A comment of 1100 words: its shape alone passes 1023 characters.
  std::string many = ".codigo;\r\n'nota";
  for (int i = 0; i < 1100; ++i) many += " a";
  EXPECT_EQ(problems(many + ";\r\n.fin;\r\n"),
            Lines{"2:1 w la sentencia compilada pasa de 1023 caracteres: se corta"});
}

TEST(ScriptChecker, AScriptSavedAsUtf8) {
  // "a\xF1o" saved as UTF-8 is "a\xC3\xB1o": valid UTF-8 that Windows-1252 reads as two letters.
  // The first such sequence is pointed at; "\xC3" is no character of a text, so the token is refused too (and
  // the statement it leaves behind is not reported again).
  EXPECT_EQ(
      problems(".codigo;\r\n&t := ~a\xC3\xB1o;\r\n.aviso &t;\r\n.fin;\r\n"),
      (Lines{"2:7 e ~a\xC3\xB1o: Esta expresi\xF3n es ERRONEA !!",
             "2:9 w el fichero parece estar guardado en UTF-8: gu\xE1rdelo en Windows-1252 (ANSI), o cada "
             "\xF1 y cada acento se leer\xE1 como dos caracteres"}));
  // Windows-1252 text with accents is not valid UTF-8: no warning.
  EXPECT_EQ(problems(".codigo;\r\n&t := ~a\xF1o;\r\n.aviso &t;\r\n.fin;\r\n"), Lines{});
}

TEST(ScriptChecker, LimitsReachedAndApproached) {
  std::string near = ".codigo;";
  for (int i = 0; i < 30000; ++i) near += ";";
  near += ".fin;";
  EXPECT_EQ(problems(near), Lines{"1:1 w el programa tiene 30002 sentencias, cerca del l\xEDmite de 32767"});
  std::string words = ".codigo;";
  for (int i = 0; i < 30000; ++i) words += "&a 1;";  // ":=" may be left out: three tokens a statement
  EXPECT_EQ(
      problems(words + ".fin;"),
      (Lines{"1:1 w el programa tiene 90004 elementos (palabras y signos), cerca del l\xEDmite de 100000",
             "1:1 w el programa tiene 30002 sentencias, cerca del l\xEDmite de 32767"}));
  std::string over = ".codigo;" + std::string(32766, ';') + ".fin;";  // 32768 statements
  EXPECT_EQ(problems(over), Lines{"1:32779 e El c\xF3"
                                  "digo tiene m\xE1s de 32767 sentencias y no se puede ejecutar."});
}

TEST(ScriptChecker, FormatIsTheCompilersOneInUtf8) {
  const Problem p{3, 7, true, "hola!\r\nEsta expresi\xF3n es ERRONEA !!"};
  EXPECT_EQ(format_problem("guion.txt", p),
            "guion.txt:3:7: error: hola! Esta expresi\xC3\xB3n es ERRONEA !!");
  EXPECT_EQ(format_problem("g.txt", Problem{1, 1, false, "x"}), "g.txt:1:1: warning: x");
}

}  // namespace
}  // namespace kal::check
