// The maker's identity printed in the report's header and footer.
#pragma once

namespace report::maker {

inline constexpr char16_t kTagline[] = u"Detector electronics for radiation measurement";
inline constexpr char16_t kName[] = u"Veltrano Instruments";
inline constexpr char16_t kPostalAddress[] = u"Via Scintilla 27, 99999 Lumenara, Fictional Republic";
// Telephone, e-mail, VAT number, IBAN and BIC, in the order the footer lists them.
inline constexpr const char16_t* kContacts[] = {
    u"Tel. +00 555 0100 200", u"info@veltrano.example.com",
    u"VAT XX00123456789",     u"IBAN XX00 VELT 0000 0000 0000 00",
    u"BIC VELTXXFIXXX",
};

} // namespace report::maker
